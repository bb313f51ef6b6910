#include "platform/qt/qt_dialogs.h"

#include "platform/dialog_keys.h"
#include "platform/qt/qt_file_dialog.h"
#include "platform/qt/qt_text.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>

namespace psa {

namespace {

// For as long as it lives, the program's dialogs take only keys that went down in them (DialogKeys): a
// dialog is told apart by the modal window on top, so that the file dialog's list and its name completion
// count as the dialog itself.
class FreshKeysOnly final : public QObject {
public:
    FreshKeysOnly() { qApp->installEventFilter(this); }
    ~FreshKeysOnly() override { qApp->removeEventFilter(this); }
    FreshKeysOnly(const FreshKeysOnly &) = delete;
    FreshKeysOnly &operator=(const FreshKeysOnly &) = delete;

protected:
    bool eventFilter(QObject *receiver, QEvent *event) override
    {
        const QEvent::Type type = event->type();
        // A key reaches the window first and then its focus widget; the widget decides.
        if (!receiver->isWidgetType()
            || (type != QEvent::ShortcutOverride && type != QEvent::KeyPress && type != QEvent::KeyRelease))
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        const auto window = reinterpret_cast<std::uintptr_t>(QApplication::activeModalWidget());
        const bool acts = type == QEvent::KeyRelease ? m_keys.release(key->key(), window)
                                                     : m_keys.press(key->key(), window, key->isAutoRepeat());
        if (acts)
            return false;
        // Taken as handled: an accepted shortcut override also keeps the key from any shortcut.
        event->accept();
        return true;
    }

private:
    DialogKeys m_keys;
};

} // namespace

QStringList QtNameFilters(std::u16string_view filter)
{
    const QStringList parts = toQString(filter).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString &pattern : patterns)
            pattern = pattern.trimmed();
        filters.append(QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns.join(u' ')));
    }
    return filters;
}

QtDialogs::QtDialogs(QWidget *window)
    : m_window(window)
{
}

std::u16string QtDialogs::ShowSave(const FileDialogRequest &request)
{
    QtFileDialog shown(m_window, request);
    QFileDialog &dialog = shown.dialog();
    const FreshKeysOnly keys;
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::u16string() : chosen.first().toStdU16String();
}

MsgBoxAnswer QtDialogs::AskYesNo(std::u16string_view prompt, std::u16string_view title)
{
    QMessageBox box(QMessageBox::NoIcon, toQString(title), toQString(prompt),
        QMessageBox::Yes | QMessageBox::No, m_window);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    const FreshKeysOnly keys;
    return box.exec() == QMessageBox::Yes ? MsgBoxAnswer::Yes : MsgBoxAnswer::No;
}

void QtDialogs::Inform(std::u16string_view message, std::u16string_view title)
{
    QMessageBox box(QMessageBox::Warning, toQString(title), toQString(message), QMessageBox::Ok, m_window);
    const FreshKeysOnly keys;
    box.exec();
}

void QtDialogs::EndProgram()
{
    if (m_window) {
        m_window->setEnabled(false);
        m_window->hide();
    }
    QCoreApplication::exit(0);
}

} // namespace psa
