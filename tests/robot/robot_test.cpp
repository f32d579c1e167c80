// The robot child over the real window. ROBOT_SEED and ROBOT_EVENTS choose the run,
// ROBOT_PROGRESS how often a long run reports; a failure names the seed and the event
// number that replay it.
#include <QTest>

#include <chrono>
#include <cstdlib>

#include "locale_check.h"
#include "robot.h"

namespace {

std::int64_t fromEnvironment(const char* name, std::int64_t fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::strtoll(value, nullptr, 10) : fallback;
}

QtMessageHandler testLogger = nullptr;

// The offscreen platform says this each time the Info box is shown.
void quietLogger(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("does not support propagateSizeHints"))) return;
    testLogger(type, context, message);
}

// Below this many events a run is too short to be expected to reach every situation.
constexpr std::int64_t CoverageEvents = 50'000;

}  // namespace

class RobotTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        piecettes::test::verifyAskedLocale();
        testLogger = qInstallMessageHandler(quietLogger);
    }
    void cleanupTestCase() { qInstallMessageHandler(testLogger); }

    void childPlaysAtRandom() {
        piecettes::robot::Options options;
        options.seed = static_cast<std::uint64_t>(fromEnvironment("ROBOT_SEED", 1));
        options.events = fromEnvironment("ROBOT_EVENTS", 100'000);
        options.progressEvery = fromEnvironment("ROBOT_PROGRESS", 0);
        const auto start = std::chrono::steady_clock::now();
        const piecettes::robot::Report report = piecettes::robot::run(options);
        const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        qInfo("seed %llu: %lld events (%lld during a pause, %lld while Info was open), %lld rule checks, "
              "%lld pauses, %lld Info boxes, %lld series (%lld finished, %lld quit), %.1f s",
              static_cast<unsigned long long>(options.seed), static_cast<long long>(report.events),
              static_cast<long long>(report.eventsInPause), static_cast<long long>(report.eventsDuringInfo),
              static_cast<long long>(report.checks), static_cast<long long>(report.pauses),
              static_cast<long long>(report.infoBoxes), static_cast<long long>(report.series),
              static_cast<long long>(report.seriesFinished), static_cast<long long>(report.windowsQuit), seconds);
        QVERIFY2(report.failure.empty(), report.failure.c_str());
        // Events inside a pause may carry the count a little past the one asked for.
        QVERIFY(report.events >= options.events);
        if (options.events >= CoverageEvents) {
            // The robot itself must keep reaching the situations it is there to test.
            QVERIFY(report.eventsInPause > 0);
            QVERIFY(report.eventsDuringInfo > 0);
            QVERIFY(report.seriesFinished > 0);
            QVERIFY(report.windowsQuit > 0);
        }
    }
};

QTEST_MAIN(RobotTest)
#include "robot_test.moc"
