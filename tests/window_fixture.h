// The real window on scripted draws, as every window suite, the robot, the fault tests
// and the bench set it up, with the controls a test reaches by their objectNames.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <optional>

#include "draws.h"
#include "exercise_window.h"
#include "layout.h"

namespace piecettes::test {

class WindowUnderTest {
public:
    // With testClock the test passes the pause's time itself (pass); otherwise the
    // window's own timer runs. Amounts are written with a comma unless options say otherwise.
    explicit WindowUnderTest(Draws draws, WindowOptions options = {.testClock = true, .draws = {}, .decimalSeparator = 0, .language = {}}) {
        options.draws = std::move(draws);
        if (!options.decimalSeparator) options.decimalSeparator = ',';
        form_ = std::make_unique<ExerciseWindow>(std::move(options));
    }

    ExerciseWindow& form() const { return *form_; }
    const Exercise& exercise() const { return form_->exercise(); }
    const ExerciseState& state() const { return form_->exercise().state(); }

    // Shows the window and waits until it is active, which starts the series.
    bool open() const {
        form_->showCentred();
        return QTest::qWaitForWindowActive(form_.get());
    }
    // The pause's whole time passes, as the window's timer would report it.
    void pass() const {
        QVERIFY(form_->exercise().pausing());
        QVERIFY(form_->waitingForTime());
        form_->timePassed(SuccessPause);
    }

    // A click delivered to the window where the widget stands (by default its centre), as
    // the platform would: a hidden control is not hit, and a modal box blocks the click.
    void click(QWidget* widget, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers modifiers = {},
               std::optional<QPoint> at = {}) const {
        const QPoint inside = at.value_or(widget->rect().center());
        QTest::mouseClick(form_->windowHandle(), button, modifiers, widget->mapTo(form_.get(), inside));
    }

    template <typename T = QWidget>
    T* control(const QString& name) const {
        T* widget = form_->findChild<T*>(name);
        if (!widget) qWarning("no control %s", qPrintable(name));
        return widget;
    }
    QWidget* picture(int cell) const { return control(QString::fromLatin1(layout::CoinNameFormat).arg(cell)); }
    QWidget* square(int cell) const { return control(QString::fromLatin1(layout::SquareNameFormat).arg(cell)); }
    QString caption(const char* label) const { return control<QLabel>(QLatin1String(label))->text(); }
    // The label that holds this line, found through the layout table.
    QLabel* label(layout::LabelRole role) const {
        for (const layout::LabelRow& row : layout::Labels)
            if (row.role == role) return control<QLabel>(QLatin1String(row.name));
        return nullptr;
    }
    QLineEdit* answerBox() const { return control<QLineEdit>(QLatin1String(layout::AnswerInput.name)); }
    QPushButton* ok() const { return control<QPushButton>(QLatin1String(layout::OkButton.name)); }

private:
    std::unique_ptr<ExerciseWindow> form_;
};

}  // namespace piecettes::test
