#pragma once

#include "app/form1.h"
#include "support/fake_dialogs.h"
#include "support/fake_file_system.h"
#include "support/fake_window.h"

#include <QList>
#include <QStringList>

namespace psa::testing {

// Form1 after start-up, drawing on `Picture`, wired as the real window: every cell change reaches
// Text1_Change at once. Files are kept in memory unless another file system is given.
template <typename Picture> struct FormRig {
    explicit FormRig(FileSystem *files = nullptr)
        : form(window, picture, dialogs, files ? *files : fake)
    {
        window.onCellChanged = [this](int index) { form.Text1_Change(index); };
        form.Form_Load();
    }
    // Types the cells from the first on, between "data input" and "end input", and shows the graph.
    void type(const QStringList &cells)
    {
        form.Command5_Click();
        for (int i = 0; i < cells.size(); ++i)
            window.type(i + 1, cells[i].toStdU16String());
        form.Command6_Click();
        form.Command1_Click();
    }
    // Clicks with `answer` ready for the file dialog; returns the messages shown, one a line.
    QString click(void (Form1::*handler)(), const QString &answer)
    {
        dialogs.fileNames.push_back(answer.toStdU16String());
        dialogs.messages.clear();
        (form.*handler)();
        QStringList shown;
        for (const auto &message : dialogs.messages)
            shown << QString::fromStdU16String(message.prompt);
        return shown.join('\n');
    }
    [[nodiscard]] QList<int> available() const
    {
        QList<int> numbers;
        for (int number = 1; number <= 9; ++number)
            numbers += window.isEnabled(Button(number)) ? QList { number } : QList<int> {};
        return numbers;
    }
    // The first `rows` records as cell text "=" table value, the available buttons and the counters.
    [[nodiscard]] QString records(int rows) const
    {
        QString all;
        for (int i = 0; i < 3 * rows; ++i)
            all += QString::fromStdU16String(window.cellText(i + 1)) + "="
                + QString::number(form.records().RecordTable.at(i / 3 + 1, i % 3 + 1)) + " ";
        for (const int number : available())
            all += QString::number(number);
        return all + QString::asprintf(" %d %d", form.records().RecordCount, form.records().LastCellIndex);
    }

    FakeWindow window;
    Picture picture;
    FakeDialogs dialogs;
    FakeFileSystem fake;
    Form1 form;
};

} // namespace psa::testing
