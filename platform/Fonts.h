// The windows' fonts. The family asked for comes first; where it is not installed, a sans serif
// of similar width follows, so that captions still fit their controls (the system's usual
// fallback is much wider and would cut them).
#pragma once

#include <QFont>
#include <QString>
#include <QStringList>

namespace platform {

inline QFont WindowFont(const QString& family, double points = 8.25, bool bold = false) {
    QFont font;
    font.setFamilies({family, "Liberation Sans", "Arimo", "Arial", "Nimbus Sans", "Helvetica"});
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

}  // namespace platform
