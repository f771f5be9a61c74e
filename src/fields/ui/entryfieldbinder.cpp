#include "fields/ui/entryfieldbinder.h"
#include "fields/formatter.h"
#include "fields/ui/widgetutil.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTimer>

namespace {
// The field whose check is running or whose focus return is still pending. While it is
// set, other fields that pass the focus on in between are not checked, so two bad fields
// can never hand the focus back and forth.
EntryFieldBinder *g_reporting = nullptr;
}  // namespace

// The formatter's view of the field: giving the focus back waits until Qt has finished
// the focus change that is under way.
class EntryFieldBinder::Field : public IEntryField {
public:
    explicit Field(EntryFieldBinder &b) : m_b(b) {}
    QString text() const override { return m_b.m_field ? m_b.m_field->text() : QString(); }
    void setText(const QString &text) override {
        if (m_b.m_field) m_b.m_field->setText(text);
    }
    void setFocus() override { m_b.requestFocusBack(); }

private:
    EntryFieldBinder &m_b;
};

EntryFieldBinder::EntryFieldBinder(QLineEdit *field, EntryFieldRule rule, const Formatter &fmt,
                                   std::function<void()> onChange, std::function<void()> afterValidLeave)
    : QObject(field), m_field(field), m_rule(std::move(rule)), m_fmt(fmt),
      m_afterValidLeave(std::move(afterValidLeave)) {
    if (!field) return;
    if (onChange) connect(field, &QLineEdit::textChanged, this, [f = std::move(onChange)] { f(); });
    // The program wrote the field under the person's cursor (an Open): select the new text,
    // so that typing replaces it as it would after entering the field.
    connect(field, &QLineEdit::textChanged, this, [this] {
        if (m_field && m_field->hasFocus() && !m_field->isModified()) Util::SelectAllText(m_field);
    });
    field->installEventFilter(this);
}

EntryFieldBinder::~EntryFieldBinder() {
    if (g_reporting == this) g_reporting = nullptr;
}

bool EntryFieldBinder::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_field) {
        if (event->type() == QEvent::FocusIn)
            gotFocus(static_cast<QFocusEvent *>(event)->reason());
        else if (event->type() == QEvent::FocusOut)
            lostFocus(static_cast<QFocusEvent *>(event)->reason());
    }
    return false;  // the line edit handles its own focus events as well
}

void EntryFieldBinder::gotFocus(Qt::FocusReason reason) {
    if (reason == Qt::PopupFocusReason) return;  // back from its own context menu
    Util::SetFieldColors(m_field, true);
    // The window coming back to a field that had the focus keeps its selection; a field
    // that gets the focus as its window opens is entered like any other.
    if (reason == Qt::ActiveWindowFocusReason && m_entered) return;
    m_entered = true;
    Util::SelectAllText(m_field);
    // A mouse click places the cursor after the focus arrives; select again once it has.
    QTimer::singleShot(0, this, [this] {
        if (m_field && m_field->hasFocus()) Util::SelectAllText(m_field);
    });
}

void EntryFieldBinder::lostFocus(Qt::FocusReason reason) {
    // Another window or a context menu took the focus for a while: the field is not left.
    if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return;
    m_entered = false;
    if (!m_field || QCoreApplication::closingDown() || !m_field->isVisible()) return;
    if (g_reporting && g_reporting != this) {
        // Passing focus while another field reports its bad text: no check, just unhighlight.
        Util::SetFieldColors(m_field, false);
        return;
    }
    g_reporting = this;
    QPointer<EntryFieldBinder> self(this);
    Field ef(*this);
    const bool ok = checkEntryField(m_fmt, ef, m_rule);
    if (!self) return;  // the field went away while a message was shown
    if (!m_focusBackPending && g_reporting == this) g_reporting = nullptr;
    if (!ok) return;  // the formatter has reported; the focus comes back when asked for
    Util::SetFieldColors(m_field, false);
    if (m_afterValidLeave) m_afterValidLeave();
}

void EntryFieldBinder::requestFocusBack() {
    if (m_focusBackPending) return;
    m_focusBackPending = true;
    QTimer::singleShot(0, this, &EntryFieldBinder::giveFocusBack);
}

void EntryFieldBinder::giveFocusBack() {
    m_focusBackPending = false;
    if (m_field && m_field->isEnabled() && m_field->isVisible()) {
        // After our own message box no window may be active yet; the field's window is
        // the one the person goes back to.
        if (!QApplication::activeWindow()) m_field->activateWindow();
        m_field->setFocus(Qt::OtherFocusReason);
        Util::SetFieldColors(m_field, true);
        Util::SelectAllText(m_field);
    } else if (m_field) {
        Util::SetFieldColors(m_field, false);  // cannot take the focus: not shown as focused
    }
    if (g_reporting == this) g_reporting = nullptr;
}

EntryFieldBinder *bindEntryField(QLineEdit *field, const EntryFieldRule &rule, const Formatter &fmt,
                                 std::function<void()> onChange, std::function<void()> afterValidLeave) {
    if (!field) return nullptr;
    if (field->objectName().isEmpty()) field->setObjectName(rule.name);
    if (field->text().isEmpty()) field->setText(rule.initialText);
    return new EntryFieldBinder(field, rule, fmt, std::move(onChange), std::move(afterValidLeave));
}
