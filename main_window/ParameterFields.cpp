#include "main_window/ParameterFields.h"

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <algorithm>
#include <optional>

#include "main_window/NumericValue.h"

namespace velmora {

namespace {

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// A stored value of 2 greys a box; once it leaves that state the user's
// clicks give 0 and 1 only, as for a box that was never grey.
void EndGreyed(QCheckBox& box) {
    if (box.checkState() != Qt::PartiallyChecked) box.setTristate(false);
}

// Text composed by an input method is typed too: only its digits pass.
void KeepDigits(QInputMethodEvent& event) {
    QString digits;
    for (const QChar c : event.commitString()) {
        if (IsDigit(c)) digits += c;
    }
    if (digits != event.commitString()) {
        event.setCommitString(digits, event.replacementStart(), event.replacementLength());
    }
}

// The four parts of a dotted address of digits ("10.9.2.7"), blanks around it allowed.
std::optional<QStringList> DottedAddressParts(const QString& text) {
    const QStringList parts = text.trimmed().split(u'.');
    if (parts.size() != 4) return std::nullopt;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3 || !std::all_of(part.begin(), part.end(), IsDigit)) return std::nullopt;
    }
    return parts;
}

}  // namespace

bool DigitFilterPasses(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Backspace) return true;
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Delete) return true;
    // Held with Ctrl, Alt or Meta a key is a shortcut (select all, copy, cut,
    // paste, undo, a menu's key), never a character: what it brings into the
    // field is cleaned up as it changes.
    if (event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return true;
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) return false;
    const QString text = event.text();
    return text.isEmpty() || (text.size() == 1 && IsDigit(text[0]));
}

ParameterFields::ParameterFields(const FieldControls& controls, QObject* parent)
    : QObject(parent),
      c_(controls),
      octetDigits_(QRegularExpression(QStringLiteral("[0-9]{0,3}"))), numBackground_(c_.txtNum->palette().color(QPalette::Active, QPalette::Base)) {
    for (QLineEdit* field : c_.NumericFields()) {
        field->installEventFilter(this);
        connect(field, &QLineEdit::textChanged, this, [this, field] { NumericCleanUp(*field); });
    }
    for (QLineEdit* box : c_.OctetBoxes()) box->setValidator(&octetDigits_);
    for (int i = 0; i < 4; ++i) {
        c_.txtStartIP[i]->installEventFilter(this);
        c_.txtStopIP[i]->installEventFilter(this);
        connect(c_.txtStartIP[i], &QLineEdit::textChanged, this, [this, i] { CopyToLastAddress(i); });
    }
    connect(c_.chkIpDns, &QCheckBox::stateChanged, this, &ParameterFields::chkIpDns_Click);
    connect(c_.chkLoop, &QCheckBox::stateChanged, this, &ParameterFields::chkLoop_Click);
}

bool ParameterFields::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto& key = static_cast<const QKeyEvent&>(*event);
        const auto octets = c_.OctetBoxes();
        const auto box = std::find(octets.begin(), octets.end(), watched);
        if (box != octets.end() && OctetKeyPress(**box, key)) return true;
        return !DigitFilterPasses(key);
    }
    if (event->type() == QEvent::InputMethod) KeepDigits(static_cast<QInputMethodEvent&>(*event));
    return QObject::eventFilter(watched, event);
}

// Neither key reaches the box itself, so the digit filter still holds there.
bool ParameterFields::OctetKeyPress(QLineEdit& box, const QKeyEvent& key) {
    const auto octets = c_.OctetBoxes();
    const auto index = std::size_t(std::find(octets.begin(), octets.end(), &box) - octets.begin());
    if (key.text() == QStringLiteral(".")) {
        if (index + 1 < octets.size()) octets[index + 1]->setFocus(Qt::TabFocusReason);
        return true;
    }
    if (!key.matches(QKeySequence::Paste)) return false;
    const auto parts = DottedAddressParts(QGuiApplication::clipboard()->text());
    if (!parts) return false;
    const std::size_t first = index < 4 ? 0 : 4;
    for (std::size_t i = 0; i < 4; ++i) octets[first + i]->setText((*parts)[qsizetype(i)]);
    octets[first + 3]->setFocus(Qt::OtherFocusReason);
    return true;
}

void ParameterFields::NumericCleanUp(QLineEdit& field) {
    if (cleaning_) return;  // the rewrite below raises the change once more
    const QString text = field.text();
    const QString clean = QString::fromStdString(NumberText(NumericValue(text.toStdString())));
    if (clean == text) return;
    // The caret keeps its distance from the end, so typing goes on where it was.
    const int fromEnd = int(text.size()) - field.cursorPosition();
    cleaning_ = true;
    field.setText(clean);
    cleaning_ = false;
    field.setCursorPosition(std::max(0, int(clean.size()) - fromEnd));
}

void ParameterFields::CopyToLastAddress(int index) { c_.txtStopIP[index]->setText(c_.txtStartIP[index]->text()); }

void ParameterFields::chkIpDns_Click() {
    EndGreyed(*c_.chkIpDns);
    const bool range = c_.chkIpDns->checkState() == Qt::Unchecked;
    targetMode_ = range ? 2 : 1;
    ShowRangeControls(range);
}

void ParameterFields::ShowRangeControls(bool range) {
    QWidgetList rangeControls{c_.lblStartIP, c_.lblStopIP};
    for (int i = 0; i < 4; ++i) rangeControls << c_.txtStartIP[i] << c_.txtStopIP[i];
    for (QLabel* dot : c_.lblP1) rangeControls << dot;
    const QWidgetList hostControls{c_.lblDNS, c_.txtDNS};
    for (QWidget* w : range ? rangeControls : hostControls) w->show();
    for (QWidget* w : range ? hostControls : rangeControls) w->hide();
}

void ParameterFields::chkLoop_Click() {
    EndGreyed(*c_.chkLoop);
    const bool loop = c_.chkLoop->checkState() == Qt::Checked;
    c_.txtNum->setEnabled(!loop);
    QPalette palette = c_.txtNum->palette();
    palette.setColor(QPalette::Base, loop ? palette.color(QPalette::Disabled, QPalette::Window) : numBackground_);
    c_.txtNum->setPalette(palette);
}

}  // namespace velmora
