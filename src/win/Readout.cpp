#include "win/Readout.h"

#include <cstdint>
#include <limits>

#include "core/DateTime.h"
#include "core/PathPieces.h"
#include "win/framework/AnsiText.h"
#include "win/framework/App.h"

namespace qm::win {

#ifndef _WIN64
static_assert(sizeof(MEMORYSTATUS) == 32, "MEMORYSTATUS of 32-bit Windows");
static_assert(sizeof(PROCESS_MEMORY_COUNTERS) == 40, "PROCESS_MEMORY_COUNTERS of 32-bit Windows");
#endif

namespace {

using GetProcessMemoryInfoFn = BOOL(WINAPI*)(HANDLE, PPROCESS_MEMORY_COUNTERS, DWORD);

// The system folder, as GetSystemDirectoryA reports it; empty when it cannot be read.
std::string SystemFolder() {
    std::string folder(MAX_PATH, '\0');
    UINT length = ::GetSystemDirectoryA(&folder[0], static_cast<UINT>(folder.size()));
    if (length >= folder.size()) {  // too small: the answer is the size needed, NUL included
        folder.assign(length, '\0');
        length = ::GetSystemDirectoryA(&folder[0], static_cast<UINT>(folder.size()));
        if (length >= folder.size()) return std::string();
    }
    folder.resize(length);
    return folder;
}

// Loads PSAPI.dll from the system folder and nowhere else, so a copy planted beside the program
// or in the current folder is never picked up. Systems that do not know the search flag refuse
// it; the full path of the system copy does the same there.
HMODULE LoadFromSystemFolder() {
    if (HMODULE module = ::LoadLibraryExA("PSAPI.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32))
        return module;
    const std::string folder = SystemFolder();
    if (folder.empty()) return nullptr;
    const std::string path = IncludeTrailingSeparator(folder, SystemLeadBytes()) + "PSAPI.dll";
    return ::LoadLibraryExA(path.c_str(), nullptr, 0);
}

// The process-status binding, one per process. The module is deliberately never freed: once
// bound, the library serves every later refresh.
struct ProcessStatusBinding {
    LibraryLoader loader = &LoadFromSystemFolder;
    HMODULE module = nullptr;
    GetProcessMemoryInfoFn getProcessMemoryInfo = nullptr;
};

ProcessStatusBinding& Binding() {
    static ProcessStatusBinding binding;
    return binding;
}

std::int64_t Widen(std::uint64_t value) {
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::int64_t>(value > kMax ? kMax : value);
}

// FormatSeconds takes the low 32 bits of a figure.
std::int32_t Low32(std::uint64_t seconds) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(seconds & 0xFFFFFFFFu));
}

std::uint64_t FileTimeCount(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

ReadoutTexts ComposeReadout(const ReadoutFigures& f, const Separators& separators) {
    const auto kb = [&separators](std::uint64_t bytes) {
        return FormatByteSize(2, Widen(bytes), separators);
    };
    const auto seconds = [](std::uint64_t count) {
        return FormatSeconds(Low32(FileTimeToWholeSeconds(count)));
    };

    // A line of two sizes in KB: "<label><first>; <second label><second>".
    const auto sizes = [&kb](const char* label, std::uint64_t first, const char* secondLabel,
                             std::uint64_t second) {
        return label + kb(first) + "; " + secondLabel + kb(second);
    };

    ReadoutTexts texts;
    texts[kPhysLine] = sizes("Free Physical Memory:", f.availPhys, "Total:", f.totalPhys);
    texts[kPageFileLine] = sizes("Free Paging File:", f.availPageFile, "Total:", f.totalPageFile);
    texts[kVirtualLine] = sizes("Free Virtual Memory:", f.availVirtual, "Total:", f.totalVirtual);
    texts[kWorkingSetLine] =
        sizes("Memory Usage:", f.workingSetSize, "Peak:", f.peakWorkingSetSize);
    texts[kPageFaultLine] = "Page Fault:" + FormatByteSize(0, Widen(f.pageFaultCount), separators);
    texts[kPagefileUsageLine] =
        sizes("Pagefile Usage:", f.pagefileUsage, "Peak:", f.peakPagefileUsage);
    texts[kPagedPoolLine] =
        sizes("Paged Pool Usage:", f.pagedPoolUsage, "Peak:", f.peakPagedPoolUsage);
    texts[kNonPagedPoolLine] =
        sizes("NonPaged Pool Usage:", f.nonPagedPoolUsage, "Peak:", f.peakNonPagedPoolUsage);
    // The age is the distance between two UTC instants, so daylight saving time cannot shift it.
    texts[kProcessTimeLine] =
        "Kernel:" + seconds(f.kernelTime) + "; User:" + seconds(f.userTime) +
        "; Process:" + FormatSeconds(Low32(ElapsedWholeSeconds(f.creationTime, f.currentTime)));
    return texts;
}

ReadoutFigures SampleReadoutFigures() {
    ReadoutFigures f;

    MEMORYSTATUS status = {};
    status.dwLength = sizeof status;
    ::GlobalMemoryStatus(&status);
    f.availPhys = status.dwAvailPhys;
    f.totalPhys = status.dwTotalPhys;
    f.availPageFile = status.dwAvailPageFile;
    f.totalPageFile = status.dwTotalPageFile;
    f.availVirtual = status.dwAvailVirtual;
    f.totalVirtual = status.dwTotalVirtual;

    // The pseudo-handle serves both process queries and is not closed.
    const HANDLE process = ::GetCurrentProcess();
    // Without the library the record stays zero-filled and the lines read zero.
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    ProcessMemoryInfo(process, &counters, sizeof counters);
    f.pageFaultCount = counters.PageFaultCount;
    f.workingSetSize = counters.WorkingSetSize;
    f.peakWorkingSetSize = counters.PeakWorkingSetSize;
    f.pagefileUsage = counters.PagefileUsage;
    f.peakPagefileUsage = counters.PeakPagefileUsage;
    f.pagedPoolUsage = counters.QuotaPagedPoolUsage;
    f.peakPagedPoolUsage = counters.QuotaPeakPagedPoolUsage;
    f.nonPagedPoolUsage = counters.QuotaNonPagedPoolUsage;
    f.peakNonPagedPoolUsage = counters.QuotaPeakNonPagedPoolUsage;

    FILETIME creation = {}, exit = {}, kernel = {}, user = {};
    ::GetProcessTimes(process, &creation, &exit, &kernel, &user);
    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    f.kernelTime = FileTimeCount(kernel);
    f.userTime = FileTimeCount(user);
    f.creationTime = FileTimeCount(creation);
    f.currentTime = FileTimeCount(now);
    return f;
}

ReadoutTexts ReadReadout() {
    return ComposeReadout(SampleReadoutFigures(), App().NumberSeparators());
}

bool ProcessMemoryInfo(HANDLE process, PROCESS_MEMORY_COUNTERS* counters, DWORD size) {
    ProcessStatusBinding& binding = Binding();
    if (!binding.module) {
        const HMODULE module = binding.loader();
        // Handles below 32 are failure codes of the 16-bit loader; no real module sits there.
        if (reinterpret_cast<std::uintptr_t>(module) < 32) {
            binding.module = nullptr;
            return false;
        }
        binding.module = module;
        // Through a generic function pointer type, as casting FARPROC straight to another
        // signature draws a warning.
        binding.getProcessMemoryInfo = reinterpret_cast<GetProcessMemoryInfoFn>(
            reinterpret_cast<void (*)()>(::GetProcAddress(module, "GetProcessMemoryInfo")));
    }
    if (!binding.getProcessMemoryInfo) return false;
    return binding.getProcessMemoryInfo(process, counters, size) != FALSE;
}

LibraryLoader SetProcessStatusLoader(LibraryLoader loader) {
    ProcessStatusBinding& binding = Binding();
    const LibraryLoader previous = binding.loader;
    binding.loader = loader ? loader : &LoadFromSystemFolder;
    binding.module = nullptr;
    binding.getProcessMemoryInfo = nullptr;
    return previous;
}

}  // namespace qm::win
