// Loading the SoundFont makes tens of thousands of small allocations (its
// presets, instruments, zones and sample headers, some 12 MB with FluidR3),
// and touching each new 4 KB page of them is a page fault: some 3,000, most
// of the load's time on a virtual machine. Backed by 2 MB pages, the same
// heap takes a handful.
#pragma once

namespace sound {

// Grows the heap by a reserve now and asks the kernel to back it with huge
// pages; it grows by that much at a time from then on. Once a run; where the
// kernel has no huge pages for it, it changes nothing but the growth.
void reserveHugePageHeap();

}  // namespace sound
