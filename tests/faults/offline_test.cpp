// Nothing leaves the machine: the real program, traced by strace while its first
// exercise shows, opens no network socket and writes no file but the toolkit's own.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

constexpr int RunSeconds = 3;
constexpr int TimeoutExitCode = 124;
constexpr int StraceTimeoutMs = 60000;

// The system calls that reach the network or may create or change a file.
const QString TracedCalls = QStringLiteral(
    "trace=%network,open,openat,openat2,creat,mkdir,mkdirat,rename,renameat,renameat2,link,linkat,"
    "symlink,symlinkat,unlink,unlinkat,truncate,chmod,fchmodat");

}  // namespace

class OfflineTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("strace")).isEmpty()) QFAIL("strace is not installed");
    }

    void nothingLeavesTheMachine() {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        const QString runtime = home.filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(runtime));
        QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString log = home.filePath(QStringLiteral("strace.log"));

        QProcess strace;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.remove(QStringLiteral("XDG_CACHE_HOME"));
        environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
        strace.setProcessEnvironment(environment);
        strace.setProcessChannelMode(QProcess::ForwardedChannels);
        strace.start(QStringLiteral("strace"),
                     {QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-o"), log, QStringLiteral("-e"),
                      TracedCalls, QStringLiteral("timeout"), QStringLiteral("-s"), QStringLiteral("TERM"),
                      QString::number(RunSeconds), QStringLiteral(PIECETTES_PROGRAM)});
        QVERIFY(strace.waitForFinished(StraceTimeoutMs));
        // timeout ended the program: it was still running, neither crashed nor quit.
        QCOMPARE(strace.exitCode(), TimeoutExitCode);

        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        // The trace did follow the program into its toolkit.
        QVERIFY(lines.filter(QStringLiteral("libQt6Widgets")).size() > 0);

        // Where the toolkit may write of its own accord: fontconfig's cache of the
        // fonts it scanned, per user and for the system, and the runtime directory
        // that Qt checks and creates for its sockets and locks. /dev/null keeps nothing.
        const QStringList ownPlaces{home.filePath(QStringLiteral(".cache/fontconfig")),
                                    QStringLiteral("/var/cache/fontconfig"), runtime};
        const QRegularExpression internet(QStringLiteral("AF_INET6?\\b"));
        const QRegularExpression writing(
            QStringLiteral("^\\d+\\s+(?:open|openat|openat2|creat)\\(.*\"([^\"]*)\".*(O_WRONLY|O_RDWR|O_CREAT|O_TRUNC)"));
        const QRegularExpression changing(
            QStringLiteral("^\\d+\\s+(?:creat|mkdir|mkdirat|rename|renameat|renameat2|link|linkat|symlink|symlinkat|"
                           "unlink|unlinkat|truncate|chmod|fchmodat)\\(.*?\"([^\"]*)\""));
        int opens = 0;
        for (const QString& line : lines) {
            QVERIFY2(!internet.match(line).hasMatch(), qPrintable(line));
            if (line.contains(QLatin1String("open"))) ++opens;
            QRegularExpressionMatch match = writing.match(line);
            if (!match.hasMatch()) match = changing.match(line);
            if (!match.hasMatch()) continue;
            const QString path = QDir::cleanPath(match.captured(1));
            const bool own = path == QStringLiteral("/dev/null") ||
                             std::any_of(ownPlaces.begin(), ownPlaces.end(), [&](const QString& place) {
                                 return path == place || path.startsWith(place + QLatin1Char('/'));
                             });
            QVERIFY2(own, qPrintable(line));
        }
        qInfo("%lld traced calls, %d of them opening files", static_cast<long long>(lines.size()), opens);
    }
};

QTEST_MAIN(OfflineTest)
#include "offline_test.moc"
