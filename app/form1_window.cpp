#include "app/form1_window.h"

#include "app/form1.h"
#include "platform/qt_surface.h"
#include "records/cells.h"

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QResizeEvent>

#include <cstdlib>
#include <exception>
#include <limits>

namespace psa {

namespace {

constexpr int kClientWidth = 1062;
constexpr int kClientHeight = 729;
const QColor kFormBackColor(255, 224, 192);
const QColor kTitleBackColor(192, 255, 192);
const QColor kHeadingBackColor(192, 255, 255);
const QColor kCellBorderColor(0, 0, 0);
const QColor kButtonBorderColor(64, 64, 64);
const QColor kDimmedCaptionColor(128, 128, 128);

// The window was designed with Windows fonts. Where they are missing the Japanese Noto face stands in,
// and the requested family stays first so that a machine that has it uses it.
const QString kSubstituteFamily = QStringLiteral("Noto Sans CJK JP");
const QString kButtonFamily = QStringLiteral("ＭＳ Ｐゴシック");
const QString kTitleFamily = QStringLiteral("HGP創英角ｺﾞｼｯｸUB");

const QString kTitle = QStringLiteral("　PSA値推移グラフ　");

struct ButtonDesign {
    Button button;
    const char16_t *caption;
    QRect geometry;
    double points;
};

// Listed in the order in which Tab walks them after the grid.
const ButtonDesign kButtons[] = {
    { Button::Command6, u"入力終了", { 128, 576, 70, 28 }, 9 },
    { Button::Command5, u"データー入力", { 208, 40, 105, 49 }, 12 },
    { Button::Command4, u"データー読み込み", { 312, 40, 137, 49 }, 12 },
    { Button::Command3, u"データー保存", { 616, 40, 105, 49 }, 12 },
    { Button::Command1, u"グラフ表示", { 720, 40, 89, 49 }, 12 },
    { Button::Command2, u"グラフ保存", { 808, 40, 89, 49 }, 12 },
    { Button::Command7, u"終了", { 984, 40, 73, 49 }, 12 },
    { Button::Command8, u"データー追加・修正", { 448, 40, 169, 49 }, 12 },
    { Button::Command9, u"グラフ消去", { 896, 40, 89, 49 }, 12 },
};

struct HeadingDesign {
    int number;
    const char16_t *caption;
    QRect geometry;
};

const HeadingDesign kHeadings[] = {
    { 5, u"データー入力", { 8, 16, 193, 25 } },
    { 2, u"西暦年", { 8, 40, 70, 24 } },
    { 3, u"月", { 78, 40, 54, 24 } },
    { 4, u"PSA値", { 132, 40, 70, 24 } },
};

const QRect kPicture1Geometry(208, 88, 849, 521);
const QRect kTemplateGeometry(80, 520, 65, 25);
const QString kDesignText = QStringLiteral("Text1");
constexpr double kCellPoints = 10;

// Whether the font database knows the family itself, not merely something fontconfig would substitute.
// Asking for a family that is missing costs a fallback search at every font the window loads, so missing
// families are left out of the requests.
bool installed(const QString &family)
{
    return !QFontDatabase::styles(family).isEmpty();
}

QFont designFont(const QString &family, double points, QFont::Weight weight)
{
    QFont font;
    if (installed(family))
        font.setFamilies({ family, kSubstituteFamily });
    else
        font.setFamilies({ kSubstituteFamily });
    font.setPointSizeF(points);
    font.setWeight(weight);
    return font;
}

// The cells show the program's default face, at the size they get at start-up already, so that the start-up
// does not lay their text out twice.
QFont cellFont()
{
    QFont font;
    font.setPointSizeF(kCellPoints);
    return font;
}

// The title face is a heavy display face; without it the heaviest Noto weight comes closest.
QFont titleFont()
{
    QFont font;
    font.setPointSizeF(20.25);
    if (installed(kTitleFamily)) {
        font.setFamilies({ kTitleFamily, kSubstituteFamily });
        font.setWeight(QFont::Normal);
    } else {
        font.setFamilies({ kSubstituteFamily });
        font.setWeight(QFont::Black);
    }
    return font;
}

QLabel *makeLabel(
    QWidget *parent, int number, const QString &caption, const QRect &geometry, const QColor &back)
{
    auto *label = new QLabel(caption, parent);
    label->setObjectName(QStringLiteral("Label%1").arg(number));
    label->setGeometry(geometry);
    label->setFrameStyle(QFrame::Box | QFrame::Plain);
    label->setLineWidth(1);
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, back);
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

// A graphical button: its whole face in its BackColor, a plain border, a caption greyed when disabled.
QString buttonStyle(const QColor &back)
{
    return QStringLiteral("QPushButton { background-color: %1; color: black; border: 1px solid %2;"
                          " padding: 0px; }"
                          "QPushButton:pressed { border-width: 2px; }"
                          "QPushButton:focus { border-width: 2px; outline: none; }"
                          "QPushButton:disabled { color: %3; }")
        .arg(back.name(), kButtonBorderColor.name(), kDimmedCaptionColor.name());
}

QString toQString(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

int pixels(double value)
{
    return qRound(value);
}

} // namespace

// A grid cell. Once made flat it has a thin plain border, drawn in the highlight colour while it has the
// focus so that the user sees where typing goes.
class GridCell : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

    void makeFlat()
    {
        if (flat_)
            return;
        flat_ = true;
        setFrame(false);
        centreDigits();
        update();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QLineEdit::paintEvent(event);
        if (!flat_)
            return;
        QPainter painter(this);
        painter.setPen(hasFocus() ? palette().color(QPalette::Highlight) : kCellBorderColor);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }

    void resizeEvent(QResizeEvent *event) override
    {
        QLineEdit::resizeEvent(event);
        centreDigits();
    }

    void changeEvent(QEvent *event) override
    {
        QLineEdit::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            centreDigits();
    }

private:
    // A flat cell is lower than the Japanese face's line, and QLineEdit centres the whole line, which puts
    // the digits onto the bottom border. Widening the text area upwards, beyond the cell, lifts the line
    // until the digits sit in the middle; nothing is clipped, since the area only grows.
    void centreDigits()
    {
        if (!flat_)
            return;
        const QFontMetrics metrics(font());
        const int lineHeight = metrics.height();
        const int ascent = metrics.ascent();
        const int wanted = (height() + metrics.capHeight() + 1) / 2;
        int bestGrowth = 0;
        int bestError = std::numeric_limits<int>::max();
        for (int growth = 0; growth <= lineHeight; ++growth) {
            // Where QLineEdit puts the baseline in a text area from -growth to the cell's bottom.
            const int top = -growth + (height() + growth - lineHeight + 1) / 2;
            const int error = std::abs(top + ascent - wanted);
            if (error < bestError) {
                bestError = error;
                bestGrowth = growth;
            }
        }
        setTextMargins(0, -bestGrowth, 0, 0);
    }

    bool flat_ = false;
};

// Picture1: a white area that shows the graph's drawing, pixel for pixel on the screen it is on.
class PictureBox : public QWidget {
public:
    using QWidget::QWidget;

    void setSurface(ImageSurface *surface)
    {
        surface_ = surface;
        matchScreen();
        update();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        matchScreen();
        QPainter painter(this);
        painter.fillRect(event->rect(), Qt::white);
        if (surface_)
            painter.drawImage(QPoint(0, 0), surface_->image());
    }

private:
    // An image made for another pixel ratio would be shown scaled, and blurred. When the window has moved to
    // a screen of another ratio the surface takes the new one: the old drawing is scaled over once, and the
    // next graph is drawn at the screen's full resolution, as is the bitmap saved from it.
    void matchScreen()
    {
        if (surface_ && surface_->image().devicePixelRatio() != devicePixelRatioF())
            surface_->resize(surface_->logicalSize(), devicePixelRatioF());
    }

    ImageSurface *surface_ = nullptr;
};

void UseJapaneseDefaultFont()
{
    QFont font = QApplication::font();
    QStringList families = font.families();
    if (families.isEmpty())
        families.append(font.family());
    families.prepend(kSubstituteFamily);
    font.setFamilies(families);
    QApplication::setFont(font);
}

Form1Window::Form1Window(QWidget *parent)
    : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Form1"));
    setFixedSize(kClientWidth, kClientHeight);

    labels_[1] = makeLabel(this, 1, kTitle, { 208, 8, 507, 31 }, kTitleBackColor);
    labels_[1]->setFont(titleFont());
    labels_[1]->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const QFont headingFont = designFont(kButtonFamily, 14.25, QFont::Bold);
    for (const HeadingDesign &heading : kHeadings) {
        QLabel *label = makeLabel(
            this, heading.number, QString::fromUtf16(heading.caption), heading.geometry, kHeadingBackColor);
        label->setFont(headingFont);
        label->setAlignment(Qt::AlignCenter);
        labels_[std::size_t(heading.number)] = label;
    }

    picture1_ = new PictureBox(this);
    picture1_->setObjectName(QStringLiteral("Picture1"));
    picture1_->setGeometry(kPicture1Geometry);
    picture1_->setFocusPolicy(Qt::NoFocus);
    picture1_->setAccessibleName(QStringLiteral("PSAグラフ"));
    picture1_->setAccessibleDescription(QStringLiteral("PSA値の推移グラフ"));

    // The template from which start-up creates cells 51 to 105; it is never shown.
    cells_[0] = makeCell(0);

    // Cells 1 to 50 come with the window; start-up lays them out. Tab walks them in index order.
    QWidget *previous = nullptr;
    for (int index = 1; index <= 50; ++index) {
        cells_[std::size_t(index)] = makeCell(index);
        cells_[std::size_t(index)]->show();
        if (previous)
            setTabOrder(previous, cells_[std::size_t(index)]);
        previous = cells_[std::size_t(index)];
    }

    for (const ButtonDesign &design : kButtons) {
        auto *push = new QPushButton(QString::fromUtf16(design.caption), this);
        push->setObjectName(QStringLiteral("Command%1").arg(static_cast<int>(design.button)));
        push->setGeometry(design.geometry);
        push->setFont(designFont(kButtonFamily, design.points, QFont::Bold));
        push->setStyleSheet(buttonStyle(QColor(255, 255, 192)));
        push->setProperty("backColor", QColor(255, 255, 192));
        push->setAccessibleName(push->text());
        buttons_[std::size_t(design.button)] = push;
        setTabOrder(previous, push);
        previous = push;
    }
}

Form1Window::~Form1Window()
{
    // Destroying the cells must not report their disappearing texts to a form that may be gone already.
    form_ = nullptr;
}

GridCell *Form1Window::makeCell(int index)
{
    auto *made = new GridCell(kDesignText, this);
    made->setObjectName(QStringLiteral("Text1_%1").arg(index));
    made->setGeometry(kTemplateGeometry);
    made->setFont(cellFont());
    made->hide();
    if (index > 0) {
        // What a screen reader says on entering the cell: its row and column, as the headings show them.
        static const char16_t *const kColumnNames[] = { u"西暦年", u"月", u"PSA値" };
        const Cell place = cellOf(index);
        made->setAccessibleName(QStringLiteral("%1行目 %2")
                                    .arg(place.row)
                                    .arg(QString::fromUtf16(kColumnNames[place.column - 1])));
        connect(made, &QLineEdit::textChanged, this,
            [this, index] { run([index](Form1 &target) { target.Text1_Change(index); }); });
    }
    return made;
}

void Form1Window::attach(Form1 &form, Dialogs &dialogs)
{
    form_ = &form;
    dialogs_ = &dialogs;
    const std::pair<Button, void (Form1::*)()> handlers[] = {
        { Button::Command1, &Form1::Command1_Click },
        { Button::Command2, &Form1::Command2_Click },
        { Button::Command3, &Form1::Command3_Click },
        { Button::Command4, &Form1::Command4_Click },
        { Button::Command5, &Form1::Command5_Click },
        { Button::Command6, &Form1::Command6_Click },
        { Button::Command7, &Form1::Command7_Click },
        { Button::Command8, &Form1::Command8_Click },
        { Button::Command9, &Form1::Command9_Click },
    };
    for (const auto &entry : handlers) {
        // A plain copy of the member pointer: the table above is gone when the button is clicked.
        void (Form1::*const handler)() = entry.second;
        connect(buttons_[std::size_t(entry.first)], &QPushButton::clicked, this,
            [this, handler] { run([handler](Form1 &target) { (target.*handler)(); }); });
    }
}

void Form1Window::run(const std::function<void(Form1 &)> &handler)
{
    if (!form_)
        return;
    try {
        handler(*form_);
    } catch (const std::exception &) {
        // The records the user typed stay in the grid; only this one action is given up.
        if (dialogs_)
            dialogs_->Inform(u"予期しないエラーが起きたため、この操作を中止しました。", u"エラー");
    }
}

void Form1Window::showPicture(ImageSurface &surface)
{
    picture1_->setSurface(&surface);
    surface.onChanged = [picture = picture1_] { picture->update(); };
}

void Form1Window::onFirstPaint(std::function<void()> callback)
{
    firstPaint_ = std::move(callback);
}

void Form1Window::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), kFormBackColor);
    if (firstPaint_) {
        const auto callback = std::move(firstPaint_);
        firstPaint_ = nullptr;
        callback();
    }
}

QLineEdit *Form1Window::cell(int index) const
{
    if (index < 0 || index >= int(cells_.size()))
        return nullptr;
    return cells_[std::size_t(index)];
}

QPushButton *Form1Window::button(Button which) const
{
    return buttons_.at(std::size_t(which));
}

QWidget *Form1Window::picture1() const
{
    return picture1_;
}

GridCell &Form1Window::existingCell(int index) const
{
    if (index < 1 || index >= int(cells_.size()) || !cells_[std::size_t(index)])
        throw std::out_of_range("no grid cell " + std::to_string(index));
    return *cells_[std::size_t(index)];
}

QPushButton &Form1Window::existingButton(Button which) const
{
    QPushButton *found = button(which);
    if (!found)
        throw std::out_of_range("no button " + std::to_string(static_cast<int>(which)));
    return *found;
}

void Form1Window::CreateCell(int index)
{
    if (index < 1 || index >= int(cells_.size()) || cells_[std::size_t(index)])
        throw std::out_of_range("cannot create grid cell " + std::to_string(index));
    GridCell *made = makeCell(index);
    made->setGeometry(cells_[0]->geometry());
    made->setFont(cells_[0]->font());
    cells_[std::size_t(index)] = made;
    // Keep Tab walking the grid in index order: the new cell follows the nearest cell before it.
    for (int before = index - 1; before >= 1; --before) {
        if (cells_[std::size_t(before)]) {
            setTabOrder(cells_[std::size_t(before)], made);
            break;
        }
    }
}

void Form1Window::SetCellHeight(int index, double value)
{
    GridCell &target = existingCell(index);
    target.resize(target.width(), pixels(value));
}

void Form1Window::SetCellTop(int index, double value)
{
    GridCell &target = existingCell(index);
    target.move(target.x(), pixels(value));
}

void Form1Window::SetCellLeft(int index, double value)
{
    GridCell &target = existingCell(index);
    target.move(pixels(value), target.y());
}

void Form1Window::SetCellWidth(int index, double value)
{
    GridCell &target = existingCell(index);
    target.resize(pixels(value), target.height());
}

void Form1Window::SetCellFontSize(int index, double points)
{
    GridCell &target = existingCell(index);
    QFont font = target.font();
    font.setPointSizeF(points);
    target.setFont(font);
}

void Form1Window::SetCellVisible(int index, bool visible)
{
    existingCell(index).setVisible(visible);
}

void Form1Window::SetCellEnabled(int index, bool enabled)
{
    existingCell(index).setEnabled(enabled);
}

void Form1Window::SetCellFlat(int index)
{
    existingCell(index).makeFlat();
}

void Form1Window::SetCellText(int index, std::u16string_view text)
{
    // QLineEdit reports the change through textChanged at once, which runs Text1_Change before this returns.
    existingCell(index).setText(toQString(text));
}

std::u16string Form1Window::CellText(int index) const
{
    return existingCell(index).text().toStdU16String();
}

void Form1Window::SetFocusToCell(int index)
{
    existingCell(index).setFocus(Qt::OtherFocusReason);
}

void Form1Window::SetButtonTop(Button which, double value)
{
    QPushButton &target = existingButton(which);
    target.move(target.x(), pixels(value));
}

void Form1Window::SetButtonLeft(Button which, double value)
{
    QPushButton &target = existingButton(which);
    target.move(pixels(value), target.y());
}

void Form1Window::SetButtonEnabled(Button which, bool enabled)
{
    existingButton(which).setEnabled(enabled);
}

void Form1Window::SetButtonBackColor(Button which, Colour colour)
{
    QPushButton &target = existingButton(which);
    const QColor back(colour.red, colour.green, colour.blue);
    // Re-applying a style sheet re-polishes the button; skip it when the colour stays the same.
    if (target.property("backColor").value<QColor>() == back)
        return;
    target.setProperty("backColor", back);
    target.setStyleSheet(buttonStyle(back));
}

} // namespace psa
