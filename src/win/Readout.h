// The about window's memory and process readout: the figures Windows reports for the system
// and for this process, the nine caption texts made from them, and the on-demand binding of the
// process-status library.
#pragma once

#include <windows.h>
#include <psapi.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Format.h"

namespace qm::win {

// The readout lines, in the order the about window shows them.
enum ReadoutLine : std::size_t {
    kPhysLine,           // Free Physical Memory:…; Total:…
    kPageFileLine,       // Free Paging File:…; Total:…
    kVirtualLine,        // Free Virtual Memory:…; Total:…
    kWorkingSetLine,     // Memory Usage:…; Peak:…
    kPageFaultLine,      // Page Fault:…
    kPagefileUsageLine,  // Pagefile Usage:…; Peak:…
    kPagedPoolLine,      // Paged Pool Usage:…; Peak:…
    kNonPagedPoolLine,   // NonPaged Pool Usage:…; Peak:…
    kProcessTimeLine,    // Kernel:…; User:…; Process:…
    kReadoutLineCount
};

using ReadoutTexts = std::array<std::string, kReadoutLineCount>;

// One sample of the figures. Sizes are in bytes, times are FILETIME counts of 100 ns.
struct ReadoutFigures {
    // System memory (GlobalMemoryStatus).
    std::uint64_t availPhys = 0;
    std::uint64_t totalPhys = 0;
    std::uint64_t availPageFile = 0;
    std::uint64_t totalPageFile = 0;
    std::uint64_t availVirtual = 0;
    std::uint64_t totalVirtual = 0;
    // This process's memory counters (GetProcessMemoryInfo); all zero when the library is
    // missing.
    std::uint64_t pageFaultCount = 0;
    std::uint64_t workingSetSize = 0;
    std::uint64_t peakWorkingSetSize = 0;
    std::uint64_t pagefileUsage = 0;
    std::uint64_t peakPagefileUsage = 0;
    std::uint64_t pagedPoolUsage = 0;
    std::uint64_t peakPagedPoolUsage = 0;
    std::uint64_t nonPagedPoolUsage = 0;
    std::uint64_t peakNonPagedPoolUsage = 0;
    // CPU time durations and the process's creation instant against the current instant, both
    // in UTC.
    std::uint64_t kernelTime = 0;
    std::uint64_t userTime = 0;
    std::uint64_t creationTime = 0;
    std::uint64_t currentTime = 0;
};

// The nine captions for a sample, sizes in KB (the page-fault count as a plain number) and
// times as H:MM:SS in whole seconds.
ReadoutTexts ComposeReadout(const ReadoutFigures& figures, const Separators& separators);

// Reads a fresh sample from Windows.
ReadoutFigures SampleReadoutFigures();

// A fresh sample composed with the application's number separators: what the about window
// shows.
ReadoutTexts ReadReadout();

// GetProcessMemoryInfo from the process-status library, bound on first use from the system
// folder. Returns false, leaving `counters` untouched, while the library cannot be loaded or
// lacks the entry point; loading is tried again on the next call until it succeeds, and once
// loaded the library stays bound for the life of the process.
bool ProcessMemoryInfo(HANDLE process, PROCESS_MEMORY_COUNTERS* counters, DWORD size);

// Test seam: replaces the routine that loads the library and forgets any binding made so far,
// so the next ProcessMemoryInfo loads afresh. nullptr restores the real loader. Returns the
// loader that was installed.
using LibraryLoader = HMODULE (*)();
LibraryLoader SetProcessStatusLoader(LibraryLoader loader);

}  // namespace qm::win
