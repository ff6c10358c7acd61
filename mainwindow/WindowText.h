// Conversions the main window's files share: file paths between the dialogs and the engine,
// entry names between the archive and the window.
#pragma once

#include <QFile>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "platform/CodePage.h"

namespace windowtext {

inline const QString Title = QStringLiteral("Vantor");

inline std::string FilePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

inline QString ShownPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

inline bool Chosen(const std::optional<QString>& answer) { return answer && !answer->isEmpty(); }

// Entry names are bytes of the single-byte code page.
inline QString DisplayText(std::string_view bytes) {
    QString text(qsizetype(bytes.size()), Qt::Uninitialized);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        text[qsizetype(i)] = QChar(platform::ByteToChar(static_cast<unsigned char>(bytes[i])));
    return text;
}

}  // namespace windowtext
