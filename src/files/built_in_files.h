#pragma once
// The blocks linked into the program (library tamsel_embedded, generated at
// build time from resources/ by tools/embed).

#include "files/embedded_files.h"

namespace tamsel {

EmbeddedTable BuiltInEmbeddedFiles();

// Whether the build embedded the real image (TAMSEL_BLOB_DIR/1300BC00.ROM) or
// generated the stand-in (a flag generated beside the table).
CarriedImageKind BuiltInImageKind();

}  // namespace tamsel
