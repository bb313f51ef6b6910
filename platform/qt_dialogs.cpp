#include "platform/qt_dialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

namespace psa {

namespace {

QString toQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

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
    : window_(window)
{
}

std::u16string QtDialogs::ShowSave(const FileDialogRequest &request)
{
    QFileDialog dialog(window_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    // Loading reuses this dialog: choosing the file to read must not ask about replacing it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.setNameFilters(QtNameFilters(request.filter));
    dialog.setDefaultSuffix(QString());
    dialog.selectFile(QString());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::u16string() : chosen.first().toStdU16String();
}

MsgBoxAnswer QtDialogs::AskYesNo(std::u16string_view prompt, std::u16string_view title)
{
    QMessageBox box(QMessageBox::NoIcon, toQString(title), toQString(prompt),
        QMessageBox::Yes | QMessageBox::No, window_);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes ? MsgBoxAnswer::Yes : MsgBoxAnswer::No;
}

void QtDialogs::Inform(std::u16string_view message, std::u16string_view title)
{
    QMessageBox box(QMessageBox::Warning, toQString(title), toQString(message), QMessageBox::Ok, window_);
    box.exec();
}

bool InstallJapaneseQtTexts(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

void QtDialogs::EndProgram()
{
    if (window_) {
        window_->setEnabled(false);
        window_->hide();
    }
    QCoreApplication::exit(0);
}

} // namespace psa
