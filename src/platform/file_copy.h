// Copying files byte for byte through the atomic writer, so that a copy failing half-way never
// damages an existing target.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_stream.h"

namespace quillo {

// Copies count bytes from source's position to target's, inside the kernel where the file
// systems allow it, else through a buffer; throws EReadError / EWriteError on a short transfer.
void CopyFileContent(TFileStream& source, TFileStream& target, int64_t count);

// Copies a whole file into a temporary file beside the target and renames it over the target
// once it is complete; a target equal to its source keeps its content. Throws EFOpenError,
// EFCreateError, EReadError or EWriteError, and an existing target then keeps its old content.
void CopyFileAtomically(const std::string& source, const std::string& target);

}  // namespace quillo
