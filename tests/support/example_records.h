#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace psa::testing {

// Three records as typed into the cells, the record file they are saved as, and the grid once that file is
// loaded back, as FormRig::records(3) gives it.
inline const QStringList kExample { "2004", "11", "4.2", "2005", "03", "12.50", "2005", "9", "8.75" };
inline const QByteArray kSaved = " 2004, 11, 4.2\r\n 2005, 3, 12.5\r\n 2005, 9, 8.75\r\n";
inline const QString kExampleLoaded
    = "2004=2004 11=11 4.2=4.2 2005=2005 3=3 12.5=12.5 2005=2005 9=9 8.75=8.75 12345789 3 9";

} // namespace psa::testing
