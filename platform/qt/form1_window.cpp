#include "platform/qt/form1_window.h"

#include "app/form1.h"
#include "app/graph_description.h"
#include "app/print_page.h"
#include "platform/focus_order.h"
#include "platform/form1_design.h"
#include "platform/guarded_run.h"
#include "platform/qt/form1_window_look.h"
#include "platform/qt/graphical_button.h"
#include "platform/qt/grid_cell.h"
#include "platform/qt/picture_box.h"
#include "platform/qt/qt_surface.h"
#include "platform/qt/qt_text.h"
#include "records/cells.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>

#include <string>

namespace psa {

namespace {

// The window as screen readers see it: a frame, as a top-level window is, whose children leave out the
// hidden template cell, which the user never meets.
class Form1Accessible final : public QAccessibleWidget {
public:
    explicit Form1Accessible(Form1Window *window)
        : QAccessibleWidget(window, QAccessible::Window)
    {
    }

    int childCount() const override { return int(shownChildren().size()); }
    QAccessibleInterface *child(int index) const override
    {
        const QList<QAccessibleInterface *> children = shownChildren();
        return index >= 0 && index < children.size() ? children[index] : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return int(shownChildren().indexOf(const_cast<QAccessibleInterface *>(child)));
    }

private:
    QList<QAccessibleInterface *> shownChildren() const
    {
        const QObject *hidden = static_cast<Form1Window *>(widget())->cell(0);
        QList<QAccessibleInterface *> children;
        for (int index = 0; index < QAccessibleWidget::childCount(); ++index) {
            QAccessibleInterface *child = QAccessibleWidget::child(index);
            if (child && child->object() != hidden)
                children.push_back(child);
        }
        return children;
    }
};

QAccessibleInterface *accessibleForm1(const QString &, QObject *object)
{
    auto *window = qobject_cast<Form1Window *>(object);
    return window ? new Form1Accessible(window) : nullptr;
}

} // namespace

Form1Window::Form1Window(QWidget *parent)
    : QWidget(parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(accessibleForm1), true);
    (void)factoryInstalled;
    setWindowTitle(toQString(design::kFormCaption));
    setFixedSize(design::kClientWidth, design::kClientHeight);
    // The cells inherit the window's font: one font for all of them, resolved once.
    setFont(cellFont());

    makeLabel(this, design::kTitle, titleFont(), Qt::AlignLeft | Qt::AlignVCenter);
    const QFont headingFont = qtFont(design::kHeadingFont);
    for (const design::LabelDesign &heading : design::kHeadings)
        makeLabel(this, heading, headingFont, Qt::AlignCenter);

    m_picture1 = new PictureBox(this);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setGeometry(toQRect(design::kPicture1));
    // Reached by Tab only, so that a click on the graph leaves the focus in the cell being typed in.
    m_picture1->setFocusPolicy(Qt::TabFocus);
    m_picture1->setAccessibleName(toQString(design::kPicture1AccessibleName));

    m_cells[0] = makeCell(0);
    for (int index = 1; index <= design::kCellsWithTheWindow; ++index) {
        m_cells[std::size_t(index)] = makeCell(index);
        m_cells[std::size_t(index)]->show();
    }

    const QColor initialBack = toQColor(kAvailableBackColor);
    for (const design::ButtonDesign &designed : design::kButtons) {
        auto *push = new GraphicalButton(toQString(designed.caption), this);
        push->setObjectName(QStringLiteral("Command%1").arg(static_cast<int>(designed.button)));
        push->setGeometry(toQRect(designed.rect));
        push->setFont(qtFont(designed.font));
        push->setBackColor(initialBack);
        push->setAccessibleName(push->text());
        m_buttons[std::size_t(designed.button)] = push;
    }

    QWidget *previous = nullptr;
    for (const FocusStop &stop :
        focusOrder([this](int index) { return m_cells[std::size_t(index)] != nullptr; })) {
        QWidget *next = focusStop(stop);
        if (previous)
            setTabOrder(previous, next);
        previous = next;
    }
    // The window opens with the focus in the first cell, ready for typing, though the picture comes first
    // in the Tab order.
    m_cells[1]->setFocus(Qt::OtherFocusReason);
}

QWidget *Form1Window::focusStop(const FocusStop &stop) const
{
    switch (stop.kind) {
    case FocusStop::Kind::Picture:
        return m_picture1;
    case FocusStop::Kind::Cell:
        return m_cells.at(std::size_t(stop.number));
    case FocusStop::Kind::Button:
        return m_buttons.at(std::size_t(stop.number));
    }
    return nullptr;
}

GridCell *Form1Window::makeCell(int index)
{
    auto *made = new GridCell(toQString(design::kCellDesignText), this);
    made->setObjectName(QStringLiteral("Text1_%1").arg(index));
    made->setGeometry(toQRect(design::kCellTemplate));
    made->hide();
    if (index > 0) {
        // What a screen reader says on entering the cell: its row and column, as the headings show them.
        const Cell place = cellOf(index);
        made->setAccessibleName(QStringLiteral("%1行目 %2")
                                    .arg(place.row)
                                    .arg(toQString(design::kColumnNames[std::size_t(place.column - 1)])));
        connect(made, &QLineEdit::textChanged, this,
            [this, index] { run([index](Form1 &target) { target.Text1_Change(index); }); });
    }
    return made;
}

Form1Window::~Form1Window()
{
    // Destroying the cells must not report their disappearing texts to a form that may be gone already.
    m_form = nullptr;
    if (m_surface)
        m_surface->onChanged = nullptr;
}

void Form1Window::attach(Form1 &form, Dialogs &dialogs)
{
    m_form = &form;
    m_dialogs = &dialogs;
    for (const design::ButtonDesign &designed : design::kButtons)
        connect(m_buttons[std::size_t(designed.button)], &QPushButton::clicked, this,
            [this, which = designed.button] { run([which](Form1 &target) { target.Click(which); }); });
    m_picture1->recordFile = [this] { return m_form ? m_form->recordFile() : std::u16string(); };
    m_picture1->printFailed = [this](std::u16string_view reason) {
        if (m_dialogs)
            m_dialogs->inform(reason, kPrintMessageTitle);
    };
}

void Form1Window::keepShapes(const VectorDrawing &shapes)
{
    m_picture1->setShapes(&shapes);
}

void Form1Window::run(const std::function<void(Form1 &)> &handler)
{
    if (m_form && m_dialogs)
        runGuarded(*m_dialogs, [&] { handler(*m_form); });
    describeGraph();
}

void Form1Window::describeGraph()
{
    // Only the handlers that draw or clear change the picture; its description follows the records it was
    // drawn from, not later typing.
    if (!m_graphChanged || !m_surface)
        return;
    m_graphChanged = false;
    const Records nothing;
    m_picture1->setAccessibleDescription(
        toQString(graphDescription(m_form ? m_form->records() : nothing, m_surface->hasDrawing())));
}

void Form1Window::showPicture(ImageSurface &surface)
{
    m_picture1->setSurface(&surface);
    m_surface = &surface;
    m_graphChanged = true;
    surface.onChanged = [this] {
        m_picture1->update();
        m_graphChanged = true;
    };
    describeGraph();
}

void Form1Window::onFirstPaint(std::function<void()> callback)
{
    m_firstPaint = std::move(callback);
}

void Form1Window::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), toQColor(design::kFormBackColor));
    if (m_firstPaint) {
        const auto callback = std::move(m_firstPaint);
        m_firstPaint = nullptr;
        callback();
    }
}

QLineEdit *Form1Window::cell(int index) const
{
    if (index < 0 || index >= int(m_cells.size()))
        return nullptr;
    return m_cells[std::size_t(index)];
}

QPushButton *Form1Window::button(Button which) const
{
    return m_buttons.at(std::size_t(which));
}

QWidget *Form1Window::picture1() const
{
    return m_picture1;
}

GridCell &Form1Window::existingCell(int index) const
{
    if (index < 1 || index >= int(m_cells.size()) || !m_cells[std::size_t(index)])
        throw std::out_of_range("no grid cell " + std::to_string(index));
    return *m_cells[std::size_t(index)];
}

GraphicalButton &Form1Window::existingButton(Button which) const
{
    GraphicalButton *found = m_buttons.at(std::size_t(which));
    if (!found)
        throw std::out_of_range("no button " + std::to_string(static_cast<int>(which)));
    return *found;
}

void Form1Window::createCell(int index)
{
    if (index < 1 || index >= int(m_cells.size()) || m_cells[std::size_t(index)])
        throw std::out_of_range("cannot create grid cell " + std::to_string(index));
    GridCell *made = makeCell(index);
    made->setGeometry(m_cells[0]->geometry());
    if (m_cells[0]->testAttribute(Qt::WA_SetFont))
        made->setFont(m_cells[0]->font());
    m_cells[std::size_t(index)] = made;
    const auto before = focusPredecessor(
        { FocusStop::Kind::Cell, index }, [this](int at) { return m_cells[std::size_t(at)] != nullptr; });
    if (before)
        setTabOrder(focusStop(*before), made);
}

void Form1Window::setCellHeight(int index, double value)
{
    GridCell &target = existingCell(index);
    target.resize(target.width(), pixels(value));
}

void Form1Window::setCellTop(int index, double value)
{
    GridCell &target = existingCell(index);
    target.move(target.x(), pixels(value));
}

void Form1Window::setCellLeft(int index, double value)
{
    GridCell &target = existingCell(index);
    target.move(pixels(value), target.y());
}

void Form1Window::setCellWidth(int index, double value)
{
    GridCell &target = existingCell(index);
    target.resize(pixels(value), target.height());
}

void Form1Window::setCellFontSize(int index, double points)
{
    GridCell &target = existingCell(index);
    // Setting an equal font still re-lays out the cell's text; start-up sets every cell to the size it has.
    if (target.font().pointSizeF() == points)
        return;
    QFont font = target.font();
    font.setPointSizeF(points);
    target.setFont(font);
}

void Form1Window::setCellVisible(int index, bool visible)
{
    existingCell(index).setVisible(visible);
}

void Form1Window::setCellEnabled(int index, bool enabled)
{
    existingCell(index).setEnabled(enabled);
}

void Form1Window::setCellFlat(int index)
{
    existingCell(index).makeFlat();
}

void Form1Window::setCellText(int index, std::u16string_view text)
{
    // QLineEdit reports the change through textChanged at once, which runs Text1_Change before this returns.
    GridCell &target = existingCell(index);
    target.setText(toQString(text));
    // QLineEdit leaves the cursor after the text and scrolls a long value to its end; a value the program
    // puts in a cell is read from its start.
    target.setCursorPosition(0);
}

std::u16string Form1Window::cellText(int index) const
{
    return existingCell(index).text().toStdU16String();
}

void Form1Window::setFocusToCell(int index)
{
    existingCell(index).setFocus(Qt::OtherFocusReason);
}

void Form1Window::setButtonTop(Button which, double value)
{
    QPushButton &target = existingButton(which);
    target.move(target.x(), pixels(value));
}

void Form1Window::setButtonLeft(Button which, double value)
{
    QPushButton &target = existingButton(which);
    target.move(pixels(value), target.y());
}

void Form1Window::setButtonEnabled(Button which, bool enabled)
{
    GraphicalButton &target = existingButton(which);
    // Qt would hand the focus of a button turning grey to the next one in the Tab order, often 終了, where
    // the next Return asks to end the program. It goes to the picture instead, where Return and Space do
    // nothing, and Tab goes on from there to the first cell.
    if (!enabled && focusWidget() == &target)
        m_picture1->setFocus(Qt::OtherFocusReason);
    target.setEnabled(enabled);
}

void Form1Window::setButtonBackColor(Button which, Colour colour)
{
    existingButton(which).setBackColor(toQColor(colour));
}

} // namespace psa
