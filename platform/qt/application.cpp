#include "platform/qt/application.h"

#include "numbers/str_form.h"
#include "platform/form1_design.h"
#include "platform/qt/form1_window_look.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_files.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

namespace psa {

QFont japaneseDefaultFont()
{
    QFont font = QGuiApplication::font();
    QStringList families = font.families();
    if (families.isEmpty())
        families.append(font.family());
    families.prepend(kSubstituteFamily);
    font.setFamilies(families);
    return font;
}

void useJapaneseDefaultFont()
{
    QApplication::setFont(japaneseDefaultFont());
}

bool installJapaneseQtTexts(QCoreApplication &app)
{
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

Program::Program()
    : Program(nullptr, nullptr)
{
}

Program::Program(Dialogs &dialogs, FileSystem &files)
    : Program(&dialogs, &files)
{
}

Program::Program(Dialogs *dialogs, FileSystem *files)
    : m_picture1(QSize(design::kPicture1.width, design::kPicture1.height), qApp->devicePixelRatio())
    , m_shapes(printForm)
    , m_drawn(m_picture1, m_shapes)
    , m_ownDialogs(dialogs ? nullptr : std::make_unique<QtDialogs>(&m_window))
    , m_ownFiles(files ? nullptr : std::make_unique<QtFileSystem>())
    , m_form(m_window, m_drawn, dialogs ? *dialogs : *m_ownDialogs, files ? *files : *m_ownFiles)
{
    m_window.showPicture(m_picture1);
    m_window.keepShapes(m_shapes.drawing());
    m_window.attach(m_form, dialogs ? *dialogs : *m_ownDialogs);
    m_form.Form_Load();
}

Program::~Program() = default;

} // namespace psa
