// Pieces that several commands' declarations share: options and help paragraphs.
#pragma once

#include <string>

#include "cli/Command.h"

namespace cli {

// How entry names are typed and shown.
const std::string& NamesNote();
// How an archive is changed in place, and how edits of one archive wait for each other.
const std::string& EditNote();
// The text source's format, for the string-table commands.
const std::string& TextSourceNote();

// --wait SECONDS, for the commands that rewrite an existing archive.
OptionDecl WaitOption();
// --encoding utf-8|windows-1252, for the commands that read text sources.
OptionDecl EncodingOption();
// --lf, for the commands that write text.
OptionDecl LfOption(const std::string& help);

}  // namespace cli
