#pragma once
// The blocks linked into the program (library tamsel_embedded, generated at
// build time from resources/ by tools/embed).

#include "files/embedded_files.h"

namespace tamsel {

EmbeddedTable BuiltInEmbeddedFiles();

}  // namespace tamsel
