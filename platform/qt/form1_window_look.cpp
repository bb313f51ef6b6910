#include "platform/qt/form1_window_look.h"

#include "platform/qt/qt_text.h"

#include <QFontDatabase>
#include <QLabel>

namespace psa {

namespace {

// Whether the font database knows the family itself, not merely something fontconfig would substitute.
// Asking for a family that is missing costs a fallback search at every font the window loads, so missing
// families are left out of the requests.
bool installed(const QString &family)
{
    return !QFontDatabase::styles(family).isEmpty();
}

} // namespace

QColor toQColor(Colour colour)
{
    return { colour.red, colour.green, colour.blue };
}

QFont qtFont(const design::Font &designed)
{
    QFont font;
    const QString family = toQString(designed.family);
    if (installed(family))
        font.setFamilies({ family, kSubstituteFamily });
    else
        font.setFamilies({ kSubstituteFamily });
    font.setPointSizeF(designed.points);
    font.setWeight(designed.bold ? QFont::Bold : QFont::Normal);
    return font;
}

// The title face is a heavy display face; without it the heaviest Noto weight comes closest.
QFont titleFont()
{
    QFont font = qtFont(design::kTitle.font);
    if (!installed(toQString(design::kTitle.font.family)))
        font.setWeight(QFont::Black);
    return font;
}

// The cells show the program's default face, at the size they get at start-up already, so that the start-up
// does not lay their text out twice.
QFont cellFont()
{
    QFont font;
    font.setPointSizeF(design::kCellPoints);
    return font;
}

QRect toQRect(const design::Rect &rect)
{
    return { rect.left, rect.top, rect.width, rect.height };
}

int pixels(double value)
{
    return qRound(value);
}

// A label as designed, with a thin black border.
QLabel *makeLabel(
    QWidget *parent, const design::LabelDesign &designed, const QFont &font, Qt::Alignment alignment)
{
    auto *label = new QLabel(toQString(designed.caption), parent);
    label->setObjectName(QStringLiteral("Label%1").arg(designed.number));
    label->setGeometry(toQRect(designed.rect));
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(1);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, toQColor(designed.backColor));
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    label->setFocusPolicy(Qt::NoFocus);
    label->setFont(font);
    label->setAlignment(alignment);
    return label;
}

} // namespace psa
