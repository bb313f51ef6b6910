#include "app/headless_window.h"

#include <utility>

namespace psa {

HeadlessWindow::HeadlessWindow()
{
    m_texts.fill(u"Text1");
    m_enabled.fill(true);
}

void HeadlessWindow::setCellText(int index, std::u16string_view text)
{
    if (std::exchange(m_texts.at(std::size_t(index)), std::u16string(text)) != text && onCellChanged)
        onCellChanged(index);
}

} // namespace psa
