#pragma once

#include "platform/toolkit.h"

#include <QFileDialog>
#include <QFileIconProvider>

namespace psa {

// Icons and type names for the file dialog's entries, decided by the entry's kind (folder, file, anything
// else) and its name's extension only. Qt's own provider reads a file's first bytes to find its type, and on
// a file of /proc, a device or a pipe such a read can wait for ever, freezing the whole program; this one
// never opens a file. Safe to call from the dialog's file-information thread.
class KindIconProvider : public QFileIconProvider {
public:
    KindIconProvider();

    [[nodiscard]] QIcon icon(IconType type) const override;
    [[nodiscard]] QIcon icon(const QFileInfo &info) const override;
    [[nodiscard]] QString type(const QFileInfo &info) const override;

private:
    // Made once, in the thread that makes the provider: the style is not for other threads.
    QIcon m_folder;
    QIcon m_file;
    QIcon m_drive;
    QIcon m_computer;
};

// The save-style file dialog that ShowSave shows, set up for `request`: Qt's own dialog (the same on every
// desktop), no title, no starting folder, no default extension, and the kind-only icons, so that browsing any
// folder never blocks. Not shown yet.
class QtFileDialog {
public:
    QtFileDialog(QWidget *parent, const FileDialogRequest &request);

    [[nodiscard]] QFileDialog &dialog() { return m_dialog; }

private:
    // Declared first: the dialog's file-information thread uses it until the dialog is gone.
    KindIconProvider m_icons;
    QFileDialog m_dialog;
};

// Turns a filter of "description|pattern" pairs, all joined by '|' ("CSVファイル|*.csv|すべて|*.*"), into
// Qt's name filters ("CSVファイル (*.csv)"). Several patterns of one entry may be separated by ';'. A
// trailing description without a pattern is dropped.
[[nodiscard]] QStringList qtNameFilters(std::u16string_view filter);

} // namespace psa
