#pragma once

#include "core/index/IndexEntry.hpp"
#include "core/index/ReturnMatching.hpp"

namespace keepsift {

// Whether the file listed at an entry's path is still the one the entry was measured and
// reviewed from, for a listing whose modification time, pixel size and edited flag agree.
enum class FileAtPath {
    same,
    // Replaced or rewritten, and its bytes not read yet: they are read back later.
    unsure,
    other,
};

// The listed file is not the size of the one the entry rests on: as last listed, else as
// measured (an earlier build kept no listed size).
bool sizeDiffers(const IndexEntry& entry, const LibraryAsset& listed);

// The file was replaced or rewritten at its path and its size does not tell: only its bytes,
// against the digest of those measured, do.
bool needsBytesRead(const IndexEntry& entry, const LibraryAsset& listed);

// The listed file is the one the entry describes, as far as its status tells: the size the
// entry rests on, known, its modification second, and its file (number and drive) where known.
bool describesFile(const IndexEntry& entry, const LibraryAsset& listed);

// One file under the entry's name and the listed one: one number on one known drive.
bool isFileOf(const IndexEntry& entry, const LibraryAsset& listed);

// The listed file may hold the bytes the entry measured, as far as its status tells: the file
// the entry describes, or another file (a copy) of the very size the entry rests on.
bool mayHoldMeasured(const IndexEntry& entry, const LibraryAsset& listed);

// Still the file listed earlier, as far as the library tells without reading it.
bool unchangedSince(const LibraryAsset& earlier, const LibraryAsset& now);

// The status its digest was read with proves the file unchanged since the index last held it:
// a change time the kernel keeps, standing as the entry has it, at the entry's number and size.
bool provenAsHeld(const IndexEntry& entry, const DigestRead& read);

// Another size tells at once; another file number or status change time only with the bytes,
// digested in `read`. A fact an earlier build did not keep is unknown and tells nothing.
FileAtPath fileAtPath(const IndexEntry& entry, const LibraryAsset& listed,
                      const ContentDigests& read);

} // namespace keepsift
