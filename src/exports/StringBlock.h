// String blocks handed across the library boundary: the text with its length in
// the four bytes in front of it. Only blocks made here can be released here; a
// foreign pointer is refused instead of corrupting the heap.
#pragma once

#include <string_view>

namespace quillet {

// A new block holding Text and a terminating zero; the pointer is to the text.
char* AllocStringBlock(std::string_view text);

// Releases a block made by AllocStringBlock. Null does nothing. Raises Error for
// a pointer that is not a live block of this library.
void FreeStringBlock(void* block);

}  // namespace quillet
