#pragma once

#include "app/form1.h"
#include "platform/qt/qt_files.h"
#include "platform/qt/qt_surface.h"
#include "support/fake_dialogs.h"
#include "support/fake_window.h"

#include <QString>
#include <QStringList>

#include <string_view>

namespace psa::testing {

// The record file of the three records that SaveRig types.
inline constexpr std::string_view kSavedRecords = " 2004, 11, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n";

// Form1 on a fake window and scripted dialogs, with the real file system: three records typed, input ended
// and the graph drawn, so that "データー保存" and "グラフ保存" are ready to write real files.
struct SaveRig {
    using Handler = void (Form1::*)();

    SaveRig()
        : form(window, surface, dialogs, files)
    {
        window.onCellChanged = [this](int index) { form.Text1_Change(index); };
        form.Form_Load();
        form.Command5_Click();
        const char16_t *typed[] = { u"2004", u"11", u"4.2", u"2005", u"3", u"12.5", u"2005", u"9", u"8.75" };
        for (int index = 1; index <= 9; ++index)
            window.type(index, typed[index - 1]);
        form.Command6_Click();
        form.Command1_Click();
    }

    // Clicks `handler` with `path` as the dialog's answer; returns the messages shown, one a line.
    QString save(Handler handler, const QString &path)
    {
        dialogs.fileNames.push_back(path.toStdU16String());
        dialogs.messages.clear();
        (form.*handler)();
        QStringList shown;
        for (const auto &message : dialogs.messages)
            shown << QString::fromStdU16String(message.prompt);
        return shown.join(u'\n');
    }

    FakeWindow window;
    ImageSurface surface;
    FakeDialogs dialogs;
    QtFileSystem files;
    Form1 form;
};

} // namespace psa::testing
