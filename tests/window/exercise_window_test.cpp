// The real window driven with mouse, key and touch events and assistive tools' actions; the tests pass the time.
#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <array>

#include "expected_words.h"
#include "keyboard.h"
#include "locale_check.h"
#include "touch_screen.h"
#include "window_fixture.h"

using namespace piecettes;
using test::exercise;
using test::exercises;

namespace {

constexpr const char* FullPurse = "55555555";
constexpr std::size_t NumbersPerExercise = CoinTypeCount + 2;
enum Coin { Cent1, Cent2, Cent5, Cent10, Cent20, Cent50, Euro1, Euro2 };

// How the child plays: with the mouse, with the keyboard alone, with a finger, or through
// an assistive tool (a screen reader, a switch device) that sends the controls' actions.
enum class Hands { Mouse, Keyboard, Touch, AssistiveTool };

QString focusName() { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); }

// The window on scripted draws, with the helpers a child's hands would need.
struct Window : test::WindowUnderTest {
    std::array<int, CoinTypeCount> given{};
    Hands hands = Hands::Mouse;

    explicit Window(Draws draws) : WindowUnderTest(std::move(draws)) {}

    // Presses a coin as the hands do: the button itself, Space or Shift+Space on the
    // focused coin, a tap or a hold of the finger.
    void press(QWidget* coin, Qt::MouseButton button) {
        const bool left = button == Qt::LeftButton;
        switch (hands) {
            case Hands::Mouse: QTest::mousePress(coin, button); break;
            case Hands::Keyboard:
                tabTo(coin);
                key(Qt::Key_Space, left ? Qt::NoModifier : Qt::ShiftModifier);
                break;
            case Hands::Touch:
                // A hold is a right press.
                if (left)
                    test::touchScreen().tap(coin);
                else
                    test::touchScreen().hold(coin);
                break;
            case Hands::AssistiveTool:
                act(coin, left ? QAccessibleActionInterface::pressAction() : QAccessibleActionInterface::showMenuAction());
                break;
        }
    }
    // Clicks a square or a button: the keyboard's Space on it, or a tap, which Qt turns into a click.
    void click(QWidget* target) {
        switch (hands) {
            case Hands::Mouse: QTest::mouseClick(target, Qt::LeftButton); break;
            case Hands::Keyboard:
                tabTo(target);
                key(Qt::Key_Space);
                break;
            case Hands::Touch: test::touchScreen().tap(target); break;
            case Hands::AssistiveTool:
                act(target, QAccessibleActionInterface::pressAction());
                // A button's press action clicks it a moment later, as it shows the press.
                if (auto* button = qobject_cast<QAbstractButton*>(target)) QTRY_VERIFY(!button->isDown());
                break;
        }
    }
    // An action as an assistive tool sends it; it runs once the tool has had its answer.
    static void act(QWidget* target, const QString& action) {
        QAccessible::queryAccessibleInterface(target)->actionInterface()->doAction(action);
        QCoreApplication::processEvents();
    }
    // A key typed where the keyboard focus is.
    static void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        test::keyboard().click(QApplication::focusWidget(), key, modifiers);
    }
    // A key held down, as the X server sends it: the first press, repeats that Qt flags,
    // repeats that it misses (a release and a press with one timestamp), and the
    // release. Each event goes where the focus is at that moment.
    static void holdKey(Qt::Key key) {
        test::keyboard().press(QApplication::focusWidget(), key);
        for (const bool flagged : {true, false, true, false}) test::keyboard().repeat(key, flagged);
        test::keyboard().release(QApplication::focusWidget(), key);
    }
    // Another window takes the focus, and gives it back.
    void leave(QWidget& other) {
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!form().isActiveWindow());
    }
    void comeBack() {
        form().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form()));
    }
    // Tab until the control has the focus, as a child without a mouse does.
    void tabTo(QWidget* target) {
        for (int tabs = 0; !target->hasFocus() && tabs < 2 * CellCount + 4; ++tabs) key(Qt::Key_Tab);
        QVERIFY2(target->hasFocus(), qPrintable(target->objectName()));
    }

    // Hands over the next coin of this type from the purse. From the keyboard the focus
    // then waits on its square, to take it back, unless the coin won.
    void give(int type, Qt::MouseButton button = Qt::LeftButton) {
        const int cell = cellOf(type, given[type]++);
        press(picture(cell), button);
        if ((hands == Hands::Keyboard || hands == Hands::AssistiveTool) && square(cell)->isVisible() &&
            !exercise().pausing() && !state().finished)
            QCOMPARE(focusName(), square(cell)->objectName());
    }
    void takeBack(int type) { click(square(cellOf(type, --given[type]))); }
    // OK is no tab stop: the keyboard presses it with Alt+O.
    void clickOk() {
        if (hands == Hands::Keyboard) return key(Qt::Key_O, Qt::AltModifier);
        click(ok());
    }
    // Presses a coin of the change question's column.
    void change(int type, Qt::MouseButton button = Qt::LeftButton) { press(picture(type), button); }
    // Opens the change question of 1,30 paid with a 2-euro coin: 0,70 is due.
    bool openChangeQuestion() {
        if (!open()) return false;
        give(Euro2);
        clickOk();
        return state().phase == Phase::Change;
    }
};

Draws changeQuestionFor130() { return exercises({exercise(FullPurse, 1, 30)}); }

}  // namespace

Q_DECLARE_METATYPE(Hands)

class ExerciseWindowTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { piecettes::test::verifyAskedLocale(); }

    void opensAsDesigned();
    void squaresStandInTheirPlace();
    void tabCyclesThroughShownControls();
    void playsAWholeSeries_data();
    void playsAWholeSeries();
    void answerBoxTakesFiveTypedCharacters();
    void programTextIsKeptWhole();
    void typedMarkupIsShownAsText();
    void eventsDuringThePause();
    void infoBoxCredits();
    void coinsAndSquaresAreNamedButtons();
};

void ExerciseWindowTest::opensAsDesigned() {
    Window w(exercises({exercise(FullPurse, 3, 45)}));
    QVERIFY(w.open());
    ExerciseWindow& form = w.form();
    // The language the run asks for is the one shown: a run that silently showed French fails here.
    QCOMPARE(QString::fromStdString(std::string(form.language().catalogue.code())), test::words().code());
    QCOMPARE(w.caption("Label2"), test::words()(QStringLiteral("Le porte-monnaie")));
    // The euro signs stand before the amounts where the country writes them so.
    const bool signFirst = qEnvironmentVariableIntValue("PIECETTES_TEST_SIGN_FIRST") == 1;
    QCOMPARE(w.control(QStringLiteral("Label4"))->x() < w.control(QStringLiteral("Label6"))->x(), signFirst);
    QCOMPARE(w.control(QStringLiteral("Label11"))->x() < w.control(QStringLiteral("Label7"))->x(), signFirst);

    QCOMPARE(form.size(), QSize(800, 600));
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(w.control(QStringLiteral("client"))->geometry(), QRect(3, 3, 794, 594));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(qAbs(form.frameGeometry().center().x() - screen.center().x()) <= 1);
    QVERIFY(qAbs(form.frameGeometry().center().y() - screen.center().y()) <= 1);

    // The answer box and the focus park can hold the focus, but no pixel of them lies in the client area.
    const QRect client(0, 0, 794, 594);
    QVERIFY(!w.answerBox()->geometry().intersects(client));
    QVERIFY(!w.control(QStringLiteral("Command2"))->geometry().intersects(client));
    QVERIFY(w.answerBox()->isVisible());
    QCOMPARE(focusName(), QStringLiteral("Text7"));

    QVERIFY(!w.control(QStringLiteral("Label12"))->isVisible());
    QVERIFY(!w.control(QStringLiteral("Label13"))->isVisible());
    QCOMPARE(w.caption("Label6"), QStringLiteral("3,45"));
    QCOMPARE(w.caption("Label5"), test::words()(QStringLiteral("Clique sur les pièces que tu donnes puis sur OK quand tu en as assez.")));
    QCOMPARE(w.state().exerciseCount, 1);
    QCOMPARE(w.state().phase, Phase::Paying);
    QCOMPARE(w.control(QStringLiteral("Label1(0)"))->geometry(), QRect(384, 56, 233, 41));

    // The full purse shows all 40 coins; the first 20-cent coin stands 4 pixels higher.
    for (int cell = 0; cell < CellCount; ++cell) QVERIFY2(w.picture(cell)->isVisible(), qPrintable(QString::number(cell)));
    QCOMPARE(w.picture(4)->y() + 4, w.picture(12)->y());
    QCOMPARE(w.picture(39)->geometry(), QRect(272, 404, 60, 60));
    QCOMPARE(w.picture(0)->size(), QSize(38, 38));
}

void ExerciseWindowTest::squaresStandInTheirPlace() {
    Window w(exercises({exercise(FullPurse, 3, 45)}));
    // Laid out where they take coins back before the series starts, hidden until then.
    QCOMPARE(w.square(0)->geometry(), QRect(15, 21, 27, 27));
    QVERIFY(!w.square(0)->isVisibleTo(&w.form()));
    QVERIFY(w.open());
    QCOMPARE(w.square(0)->geometry(), QRect(15, 21, 27, 27));
    QCOMPARE(w.square(39)->geometry(), QRect(279, 421, 27, 27));
    QVERIFY(w.picture(39)->geometry().contains(w.square(39)->geometry()));
    QVERIFY(!w.square(0)->isVisible());
    // A coin handed over shows its square in the button colour of the child's desktop.
    w.give(Euro2);
    QWidget* square = w.square(cellOf(Euro2, 0));
    QVERIFY(square->isVisible());
    const QImage seen = square->grab().toImage();
    QCOMPARE(seen.pixelColor(seen.rect().center()), QApplication::palette().color(QPalette::Button));

    // Activating the window again neither moves the squares nor starts a new series.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(&w.form(), &activate);
    QCOMPARE(w.square(39)->pos(), QPoint(279, 421));
    QCOMPARE(w.state().exerciseCount, 1);
    QCOMPARE(w.caption("Label7"), QStringLiteral("2,00"));
}

void ExerciseWindowTest::tabCyclesThroughShownControls() {
    // Two 1-cent coins and one 2-euro coin.
    Window w(exercises({exercise("20000001", 1, 0)}));
    QVERIFY(w.open());
    test::keyboard().type(w.answerBox(), "12");
    QStringList order;
    for (int i = 0; i < 6; ++i) {
        order << focusName();
        test::keyboard().click(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, (QStringList{"Text7", "Command2", "Picture1(0)", "Picture1(7)", "Picture1(8)", "Command3"}));
    QCOMPARE(focusName(), QStringLiteral("Text7"));
    // The unseen answer box selects nothing, so that the next key does not replace it.
    QVERIFY(!w.answerBox()->hasSelectedText());
    QCOMPARE(w.answerBox()->cursorPosition(), 2);
}

void ExerciseWindowTest::playsAWholeSeries_data() {
    QTest::addColumn<Hands>("hands");
    QTest::newRow("mouse") << Hands::Mouse;
    QTest::newRow("keyboard alone") << Hands::Keyboard;
    QTest::newRow("touch alone") << Hands::Touch;
    QTest::newRow("assistive tool alone") << Hands::AssistiveTool;
}

void ExerciseWindowTest::playsAWholeSeries() {
    QFETCH(Hands, hands);
    // Every kind is paid for 3,45 but the one paid with a single 2-euro coin.
    std::vector<int> script;
    for (int exercise = 1; exercise <= SeriesLength; ++exercise) {
        const bool paidWithTwoEuros = exercise % 4 == 2;
        const auto draws = test::exercise(FullPurse, paidWithTwoEuros ? 1 : 3, paidWithTwoEuros ? 30 : 45);
        script.insert(script.end(), draws.begin(), draws.end());
    }
    Window w(Draws::scripted(script));
    w.hands = hands;
    QVERIFY(w.open());
    if (hands == Hands::Touch) {
        // A finger that slides off the coin before it lifts hands nothing over.
        QWidget* coin = w.picture(cellOf(Euro2, 0));
        test::touchScreen().slide(coin, QPoint(0, 80));
        QVERIFY(coin->isVisible());
        QCOMPARE(w.caption("Label7"), QString());
    }
    for (int exercise = 1; exercise <= SeriesLength; ++exercise) {
        QCOMPARE(w.state().exerciseCount, exercise);
        const bool last = exercise == SeriesLength;
        const int kind = exercise % 4;
        switch (kind) {
            case 0:  // 3,45 paid exactly: the fifth coin wins without OK.
                if (hands == Hands::Keyboard && exercise == 4) {
                    // The last coin before Quitter holds the focus while another window is
                    // active; the fifth coin, pressed with the mouse meanwhile, starts the
                    // next exercise. Back in the window, the focus is in the answer box.
                    for (int coin : {Euro2, Euro1, Cent20, Cent20}) w.give(coin);
                    w.tabTo(w.picture(cellOf(Cent1, 4)));
                    QWidget other;
                    w.leave(other);
                    QTest::mousePress(w.picture(cellOf(Cent5, 0)), Qt::LeftButton);
                    w.pass();
                    QCOMPARE(w.state().exerciseCount, exercise + 1);
                    w.comeBack();
                    QCOMPARE(focusName(), QStringLiteral("Text7"));
                    break;
                }
                for (int coin : {Euro2, Euro1, Cent20, Cent20, Cent5}) w.give(coin, Qt::RightButton);
                break;
            case 1:  // 3,45 overpaid by 0,05 with a coin too many, taken back; the change given with a coin.
                for (int coin : {Euro2, Euro1, Cent50, Cent20}) w.give(coin, Qt::MiddleButton);
                w.clickOk();
                QCOMPARE(w.caption("Label8"), test::words()(QStringLiteral("Tu donnes trop de pièces. Tu peux en reprendre.")));
                if (hands == Hands::Keyboard) {
                    // Enter held on the square takes the coin back once and gives OK the
                    // focus; its repeats must not press OK, which would ask for the change.
                    w.tabTo(w.square(cellOf(Cent20, --w.given[Cent20])));
                    w.holdKey(Qt::Key_Return);
                    QCOMPARE(w.state().exerciseCount, exercise);
                } else {
                    w.takeBack(Cent20);
                }
                QCOMPARE(w.caption("Label8"), QString());
                QCOMPARE(w.caption("Label7"), QStringLiteral("3,50"));
                QCOMPARE(focusName(), QStringLiteral("Command1"));
                test::keyboard().click(w.ok(), Qt::Key_Space);
                QCOMPARE(w.caption("Label8"), test::words()(QStringLiteral("Bien ! Combien doit-on te rendre ?")));
                QCOMPARE(w.state().phase, Phase::Change);
                w.change(Cent5);
                break;
            case 2:  // 1,30 paid with 2 euros; the change 0,70 built with both buttons.
                w.give(Euro2);
                w.clickOk();
                QVERIFY(w.control(QStringLiteral("Label12"))->isVisible());
                for (int coin : {Cent50, Cent50}) w.change(coin);
                w.change(Cent20, Qt::RightButton);
                QCOMPARE(w.caption("Label12"), QStringLiteral("0,80"));
                QCOMPARE(w.answerBox()->cursorPosition(), 4);
                w.change(Cent10, Qt::MiddleButton);
                break;
            case 3:  // 3,45 paid with 3,50; a wrong typed answer first, then the right one.
                for (int coin : {Euro2, Euro1, Cent50}) w.give(coin);
                w.clickOk();
                test::keyboard().type(w.answerBox(), "0,5");
                QCOMPARE(w.caption("Label12"), QStringLiteral("0.5"));
                test::keyboard().click(w.answerBox(), Qt::Key_Enter);
                QCOMPARE(w.caption("Label8"), test::words()(QStringLiteral("Non ! Recommence !")));
                QCOMPARE(w.caption("Label12"), QStringLiteral("?"));
                test::keyboard().type(w.answerBox(), "0,05");
                break;
        }
        if (w.exercise().pausing()) {
            w.pass();
            // Whatever won, from the keyboard the next exercise starts in the answer box.
            if (hands == Hands::Keyboard || hands == Hands::AssistiveTool) QCOMPARE(focusName(), QStringLiteral("Text7"));
        }
        w.given = {};
        // The purse emptied under the focus must not leave it on Quitter, where Space ends the program.
        QVERIFY2(focusName() != QStringLiteral("Command3"), qPrintable(QString::number(exercise)));
        if (exercise >= 2 && !last)
            QCOMPARE(w.caption("Label9"), test::words().counted(QStringLiteral("Tu as {n} bonnes réponses."), exercise));
    }
    QCOMPARE(w.state().exerciseCount, SeriesLength);
    QCOMPARE(w.caption("Label9"), test::words()(QStringLiteral("Tu as réussi tes 20 exercices. Tu peux arrêter.")));
    QVERIFY(!w.ok()->isVisible());
    QVERIFY(!w.control(QStringLiteral("Label8"))->isVisible());
    QCOMPARE(focusName(), QStringLiteral("Command2"));
    // A screen reader reads the button that holds the focus as the closing message.
    QCOMPARE(QAccessible::queryAccessibleInterface(w.control(QStringLiteral("Command2")))->text(QAccessible::Name),
             w.caption("Label9"));
    // Each exercise drew its purse and price once.
    QCOMPARE(w.exercise().draws().drawn(), SeriesLength * NumbersPerExercise);

    // After the series the purse's squares still take coins back, without moving the focus.
    QVERIFY(w.square(cellOf(Cent20, 0))->isVisible());
    QTest::mouseClick(w.square(cellOf(Cent20, 0)), Qt::LeftButton);
    QCOMPARE(w.caption("Label7"), QStringLiteral("3,25"));
    QCOMPARE(focusName(), QStringLiteral("Command2"));
    QCOMPARE(w.state().exerciseCount, SeriesLength);
}

void ExerciseWindowTest::answerBoxTakesFiveTypedCharacters() {
    Window w(exercises({exercise(FullPurse, 3, 45)}));
    QVERIFY(w.open());
    test::keyboard().type(w.answerBox(), "12,45");
    QCOMPARE(w.answerBox()->text(), QStringLiteral("12.45"));
    w.clickOk();
    QCOMPARE(w.caption("Label8"), test::words()(QStringLiteral("Encore !")));
    // A sixth character is refused, but the key still reaches the key handler.
    test::keyboard().type(w.answerBox(), "6");
    QCOMPARE(w.answerBox()->text(), QStringLiteral("12.45"));
    QCOMPARE(w.caption("Label8"), QString());
    test::keyboard().click(w.answerBox(), Qt::Key_Backspace);
    QCOMPARE(w.answerBox()->text(), QStringLiteral("12.4"));
}

void ExerciseWindowTest::programTextIsKeptWhole() {
    Window w(changeQuestionFor130());
    QVERIFY(w.openChangeQuestion());
    // Take away more than the change due until the answer needs six characters.
    for (int i = 0; i < 5; ++i) w.change(Euro2, Qt::RightButton);
    QCOMPARE(w.answerBox()->text(), QStringLiteral("-10,00"));
    QCOMPARE(w.caption("Label12"), QStringLiteral("-10,00"));
    w.change(Cent1, Qt::RightButton);
    QCOMPARE(w.answerBox()->text(), QStringLiteral("-10,01"));
    // Such a text can be shortened, but not lengthened, from the keyboard.
    test::keyboard().click(w.answerBox(), Qt::Key_End);
    test::keyboard().type(w.answerBox(), "9");
    QCOMPARE(w.answerBox()->text(), QStringLiteral("-10,01"));
    test::keyboard().click(w.answerBox(), Qt::Key_Backspace);
    QCOMPARE(w.answerBox()->text(), QStringLiteral("-10,0"));
}

void ExerciseWindowTest::typedMarkupIsShownAsText() {
    Window w(changeQuestionFor130());
    QVERIFY(w.openChangeQuestion());
    test::keyboard().type(w.answerBox(), "<b>x");
    QCOMPARE(w.caption("Label12"), QStringLiteral("<b>x"));
    QCOMPARE(w.control<QLabel>(QStringLiteral("Label12"))->textFormat(), Qt::PlainText);
}

void ExerciseWindowTest::eventsDuringThePause() {
    // One 2-euro coin for 1,30: the change due is 0,70.
    Window w(exercises({exercise("00000001", 1, 30), exercise(FullPurse, 3, 45)}));
    QVERIFY(w.openChangeQuestion());
    test::keyboard().type(w.answerBox(), "0,7");  // "0.7": right, the pause starts
    QVERIFY(w.exercise().pausing());
    // Keys typed during the pause act on the answer and clear "Bravo !"...
    test::keyboard().click(w.answerBox(), Qt::Key_Backspace);
    QCOMPARE(w.caption("Label8"), QString());
    QCOMPARE(w.caption("Label12"), QStringLiteral("0."));
    // ...and an answer right again praises again, without counting twice or drawing twice.
    test::keyboard().click(w.answerBox(), Qt::Key_7);
    QCOMPARE(w.caption("Label8"), test::words()(QStringLiteral("Bravo !")));
    test::keyboard().click(w.answerBox(), Qt::Key_Return);
    QCOMPARE(w.state().exerciseCount, 1);
    QCOMPARE(w.exercise().draws().drawn(), NumbersPerExercise);
    w.pass();
    QCOMPARE(w.state().exerciseCount, 2);
    QCOMPARE(w.exercise().draws().drawn(), 2 * NumbersPerExercise);
    QCOMPARE(w.state().phase, Phase::Paying);
    QVERIFY(!w.control(QStringLiteral("Label12"))->isVisible());
    QCOMPARE(w.caption("Label6"), QStringLiteral("3,45"));
}

void ExerciseWindowTest::infoBoxCredits() {
    Window w(exercises({exercise(FullPurse, 3, 45)}));
    QVERIFY(w.open());
    w.give(Euro2);
    QTest::mouseClick(w.control(QStringLiteral("Label3")), Qt::LeftButton);
    auto* seen = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    QVERIFY(seen);
    QVERIFY(seen->text().startsWith(QStringLiteral("Piécettes ")));
    if (test::words().french()) QVERIFY(seen->text().contains(QStringLiteral("l'équipe Piécettes")));
    else QVERIFY2(test::words().credits().match(seen->text()).hasMatch(), qPrintable(seen->text()));
    QCOMPARE(seen->buttons().size(), 1);
    QCOMPARE(seen->icon(), QMessageBox::NoIcon);
    seen->accept();
    QTRY_VERIFY(!QApplication::activeModalWidget());
    // The exercise is as it was.
    QCOMPARE(w.caption("Label7"), QStringLiteral("2,00"));
    QVERIFY(w.square(cellOf(Euro2, 0))->isVisible());
    QCOMPARE(w.state().exerciseCount, 1);
}

void ExerciseWindowTest::coinsAndSquaresAreNamedButtons() {
    Window w(exercises({exercise(FullPurse, 3, 45)}));
    const test::ExpectedWords& words = test::words();
    const std::pair<QWidget*, QString> seen[]{{w.picture(0), words.counted(QStringLiteral("{n} centime"), 1)},
                                              {w.picture(13), words.counted(QStringLiteral("{n} centime"), 50)},
                                              {w.picture(39), words.counted(QStringLiteral("{n} euro"), 2)},
                                              {w.square(14), words.counted(QStringLiteral("Reprendre {n} euro"), 1)}};
    for (const auto& [widget, name] : seen) {
        const QAccessibleInterface* button = QAccessible::queryAccessibleInterface(widget);
        QCOMPARE(button->role(), QAccessible::Button);
        QCOMPARE(button->text(QAccessible::Name), name);
    }
}

QTEST_MAIN(ExerciseWindowTest)
#include "exercise_window_test.moc"
