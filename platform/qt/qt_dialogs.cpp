#include "platform/qt/qt_dialogs.h"

#include "platform/qt/qt_file_dialog.h"
#include "platform/qt/qt_text.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace psa {

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
    return box.exec() == QMessageBox::Yes ? MsgBoxAnswer::Yes : MsgBoxAnswer::No;
}

void QtDialogs::Inform(std::u16string_view message, std::u16string_view title)
{
    QMessageBox box(QMessageBox::Warning, toQString(title), toQString(message), QMessageBox::Ok, m_window);
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
