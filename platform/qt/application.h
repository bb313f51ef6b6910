#pragma once

#include "app/form1.h"
#include "platform/mirrored_surface.h"
#include "platform/qt/form1_window.h"
#include "platform/qt/qt_surface.h"
#include "platform/vector_surface.h"

#include <QFont>

#include <memory>

class QCoreApplication;

namespace psa {

// The application's font with the Japanese Noto face as its first choice, at the toolkit's size. Needs a
// QGuiApplication.
[[nodiscard]] QFont japaneseDefaultFont();

// Makes japaneseDefaultFont the program's default font, so that the cells and the graph's labels show
// Japanese and full-width text properly. Needs a QApplication.
void useJapaneseDefaultFont();

// Gives Qt's own dialogs their Japanese texts ("はい", "いいえ", "キャンセル", the file dialog's labels).
// Returns false, leaving them in English, when Qt's translations are not installed.
bool installJapaneseQtTexts(QCoreApplication &app);

// The program put together: Picture1's surface at the screen's pixel ratio and its drawing kept as shapes,
// the window, the dialogs and the files, and Form1's behaviour on them, started up (Form_Load) and ready to
// be shown. Needs a QApplication.
class Program {
public:
    // Qt's dialogs and the real file system.
    Program();
    // The given dialogs and files instead (a test's fakes); they must outlive the program.
    Program(Dialogs &dialogs, FileSystem &files);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    [[nodiscard]] Form1Window &window() { return m_window; }
    [[nodiscard]] Form1 &form() { return m_form; }
    [[nodiscard]] ImageSurface &picture1() { return m_picture1; }
    // The same drawing as shapes.
    [[nodiscard]] const VectorDrawing &drawing() const { return m_shapes.drawing(); }

private:
    Program(Dialogs *dialogs, FileSystem *files);

    ImageSurface m_picture1;
    VectorSurface m_shapes;
    // What the form draws on: the picture's pixels and its shapes together.
    MirroredSurface m_drawn;
    Form1Window m_window;
    std::unique_ptr<Dialogs> m_ownDialogs;
    std::unique_ptr<FileSystem> m_ownFiles;
    Form1 m_form;
};

} // namespace psa
