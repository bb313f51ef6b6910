#include "platform/qt/qt_file_dialog.h"

#include "platform/qt/qt_text.h"

#include <QApplication>
#include <QStyle>

namespace psa {

KindIconProvider::KindIconProvider()
{
    setOptions(DontUseCustomDirectoryIcons);
    const QStyle *style = QApplication::style();
    m_folder = style->standardIcon(QStyle::SP_DirIcon);
    m_file = style->standardIcon(QStyle::SP_FileIcon);
    m_drive = style->standardIcon(QStyle::SP_DriveHDIcon);
    m_computer = style->standardIcon(QStyle::SP_ComputerIcon);
}

QIcon KindIconProvider::icon(IconType type) const
{
    switch (type) {
    case Computer:
        return m_computer;
    case Drive:
        return m_drive;
    case Folder:
    case Desktop:
    case Trashcan:
    case Network:
        return m_folder;
    case File:
        break;
    }
    return m_file;
}

QIcon KindIconProvider::icon(const QFileInfo &info) const
{
    if (info.isRoot())
        return m_drive;
    return info.isDir() ? m_folder : m_file;
}

QString KindIconProvider::type(const QFileInfo &info) const
{
    if (info.isDir())
        return QStringLiteral("フォルダー");
    if (!info.isFile())
        return QStringLiteral("特殊ファイル");
    const QString suffix = info.suffix();
    if (suffix.isEmpty())
        return QStringLiteral("ファイル");
    return QStringLiteral("%1 ファイル").arg(suffix.toUpper());
}

QStringList qtNameFilters(std::u16string_view filter)
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

QtFileDialog::QtFileDialog(QWidget *parent, const FileDialogRequest &request)
    : m_dialog(parent)
{
    m_dialog.setOption(QFileDialog::DontUseNativeDialog);
    m_dialog.setOption(QFileDialog::DontUseCustomDirectoryIcons);
    m_dialog.setIconProvider(&m_icons);
    m_dialog.setAcceptMode(QFileDialog::AcceptSave);
    m_dialog.setFileMode(QFileDialog::AnyFile);
    m_dialog.setOption(QFileDialog::HideNameFilterDetails);
    // Loading reuses this dialog: choosing the file to read must not ask about replacing it.
    m_dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    m_dialog.setNameFilters(qtNameFilters(request.filter));
    m_dialog.setDefaultSuffix(QString());
    m_dialog.selectFile(QString());
}

} // namespace psa
