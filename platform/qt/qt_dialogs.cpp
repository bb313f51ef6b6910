#include "platform/qt/qt_dialogs.h"

#include "platform/dialog_keys.h"
#include "platform/qt/qt_file_dialog.h"
#include "platform/qt/qt_text.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPointer>

namespace psa {

// Lets every key act only in the window in which it went down (DialogKeys), for as long as it lives. A window
// is the modal dialog on top, or the main window when there is none; so the file dialog's list and its name
// completion count as the dialog itself.
class KeysInTheirWindow final : public QObject {
public:
    KeysInTheirWindow() { qApp->installEventFilter(this); }
    ~KeysInTheirWindow() override { qApp->removeEventFilter(this); }
    KeysInTheirWindow(const KeysInTheirWindow &) = delete;
    KeysInTheirWindow &operator=(const KeysInTheirWindow &) = delete;

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        // A key reaches the window first and then its focus widget; the widget decides.
        if (!receiver->isWidgetType()
            || (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease))
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const std::uintptr_t window = topWindow();
        const bool acts = type == QEvent::KeyRelease
            ? m_keys.release(key->key(), window, key->timestamp())
            : m_keys.press(key->key(), window, key->isAutoRepeat(), key->timestamp());
        if (acts)
            return false;
        // Taken as handled: an accepted shortcut override also keeps the key from any shortcut.
        event->accept();
        return true;
    }

private:
    // The window on top as a number of its own: 0 for the main window, a new one for every dialog shown,
    // since each is made afresh, often where the one before was.
    std::uintptr_t topWindow()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return 0;
        if (modal != m_modal) {
            m_modal = modal;
            ++m_serial;
        }
        return m_serial;
    }

    DialogKeys m_keys;
    QPointer<QWidget> m_modal;
    std::uintptr_t m_serial = 0;
};

QtDialogs::QtDialogs(QWidget *window)
    : m_window(window)
    , m_keys(std::make_unique<KeysInTheirWindow>())
{
}

QtDialogs::~QtDialogs() = default;

std::u16string QtDialogs::ShowSave(const FileDialogRequest &request)
{
    QtFileDialog shown(m_window, request);
    QFileDialog &dialog = shown.dialog();
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::u16string() : chosen.first().toStdU16String();
}

MsgBoxAnswer QtDialogs::askYesNo(std::u16string_view prompt, std::u16string_view title)
{
    QMessageBox box(QMessageBox::NoIcon, toQString(title), toQString(prompt),
        QMessageBox::Yes | QMessageBox::No, m_window);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? MsgBoxAnswer::Yes : MsgBoxAnswer::No;
}

void QtDialogs::inform(std::u16string_view message, std::u16string_view title)
{
    QMessageBox box(QMessageBox::Warning, toQString(title), toQString(message), QMessageBox::Ok, m_window);
    box.exec();
}

void QtDialogs::endProgram()
{
    if (m_window) {
        m_window->setEnabled(false);
        m_window->hide();
    }
    QCoreApplication::exit(0);
}

} // namespace psa
