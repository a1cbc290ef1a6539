// A hint for large pixel buffers: back them with huge pages where the system
// can, so that writing fresh memory costs a page fault per 2 MiB instead of
// one per 4 KiB page (on some machines most of the time a full-HD frame's
// buffers take to fill).
#pragma once

#include <cstddef>

namespace vemu {

// Advises the whole 2 MiB pages inside a buffer not yet written (Linux;
// nothing elsewhere, or when the system declines).
void AdviseHugePages(void *data, size_t bytes);

} // namespace vemu
