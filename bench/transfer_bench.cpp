// Figures for the hot paths of the largest image (2592 x 1944): both preparations and the
// memory, native and file transfers through DS_Entry, each beside a plain memcpy of the
// same bytes into a buffer already touched (and, for the file, a plain write of them).
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "protocol/entry_point.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "protocol/transfers.h"

namespace {

const LONG kWidth = 2592;
const LONG kHeight = 1944;
const SIZE_T kPixelBytes = static_cast<SIZE_T>(kWidth) * 3 * kHeight;
const int kRounds = 15;
const char kSourceWrittenFile[] = "bench-transfer.bmp";
const char kPlainFile[] = "bench-plain.bmp";

TW_IDENTITY application;
// Called through a pointer the compiler cannot see through, so the reference copy into a
// buffer nobody reads is not optimised away.
void* (*volatile plainCopy)(void*, const void*, size_t) = memcpy;

double Milliseconds(std::chrono::steady_clock::duration elapsed) {
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

// Median of kRounds runs, so that one disturbed run does not decide the figure.
template <typename Work>
double MedianMs(Work work) {
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
    }
    std::sort(times.begin(), times.end());
    return times[kRounds / 2];
}

// As MedianMs, for work that hands over a new block; freeing it is the application's
// part and stays outside the figure.
template <typename Work>
double MedianWithFreshBlock(Work work) {
    std::vector<double> times;
    for (int round = 0; round < kRounds; ++round) {
        HGLOBAL block = nullptr;
        auto start = std::chrono::steady_clock::now();
        work(block);
        times.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
        GlobalFree(block);
    }
    std::sort(times.begin(), times.end());
    return times[kRounds / 2];
}

HGLOBAL MakeSnapshot() {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, kHeaderBytes + kPixelBytes);
    BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER header{};
    header.biSize = 40;
    header.biWidth = kWidth;
    header.biHeight = kHeight;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<DWORD>(kPixelBytes);
    memcpy(bytes, &header, kHeaderBytes);
    for (SIZE_T i = 0; i < kPixelBytes; ++i) bytes[kHeaderBytes + i] = static_cast<BYTE>(i * 7);
    GlobalUnlock(block);
    return block;
}

void MemoryTransfer(std::vector<BYTE>& strip) {
    TW_IMAGEMEMXFER transfer{};
    transfer.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
    transfer.Memory.Length = static_cast<TW_UINT32>(strip.size());
    transfer.Memory.TheMem = strip.data();
    while (DS_Entry(&application, DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &transfer) == TWRC_SUCCESS) {
    }
}

bool PlainWrite(const BYTE* bytes, SIZE_T size) {
    FILE* file = fopen(kPlainFile, "wb");
    if (!file) return false;
    bool written = fwrite(bytes, 1, size, file) == size;
    return fclose(file) == 0 && written;
}

void Report(const char* what, double ms, double referenceMs, const char* reference, double target) {
    double ratio = ms / referenceMs;
    printf("%-34s %8.2f ms   %-16s %8.2f ms   ratio %5.2f  (target %.1f) %s\n", what, ms, reference, referenceMs,
           ratio, target, ratio <= target ? "ok" : "OVER");
}

}  // namespace

int main() {
    application.Id = 1;
    if (!AllocateTransferBuffers()) {
        fprintf(stderr, "no memory for the transfer buffers\n");
        return 1;
    }
    sourceState = 6;
    HGLOBAL snapshot = MakeSnapshot();
    std::vector<BYTE> target(kHeaderBytes + kPixelBytes, 1);
    const BYTE* source = static_cast<const BYTE*>(GlobalLock(snapshot));
    double copyMs = MedianMs([&] { plainCopy(target.data(), source, target.size()); });

    printf("%ld x %ld, %zu bytes with header, median of %d runs\n", static_cast<long>(kWidth),
           static_cast<long>(kHeight), target.size(), kRounds);
    printf("%-34s %8.2f ms\n", "memcpy into a touched buffer", copyMs);

    Report("PrepareFlipped", MedianMs([&] { PrepareFlipped(snapshot); }), copyMs, "memcpy", 2.0);
    Report("PrepareRgb", MedianMs([&] { PrepareRgb(snapshot); }), copyMs, "memcpy", 2.0);

    std::vector<BYTE> strip(32768);
    Report("memory transfer, 32768-byte strips", MedianMs([&] { MemoryTransfer(strip); }), copyMs, "memcpy", 2.0);

    // The application receives a new block each time, and its first touch (the pages
    // coming in) costs more than the copy; a plain copy into a new block shows that floor.
    PrepareFlipped(snapshot);
    double freshCopyMs = MedianWithFreshBlock([&](HGLOBAL& block) {
        block = GlobalAlloc(GMEM_MOVEABLE, target.size());
        plainCopy(GlobalLock(block), source, target.size());
        GlobalUnlock(block);
    });
    double nativeMs = MedianWithFreshBlock(
        [&](HGLOBAL& block) { DS_Entry(&application, DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &block); });
    Report("native transfer", nativeMs, copyMs, "memcpy", 2.0);
    Report("native transfer", nativeMs, freshCopyMs, "copy to new block", 2.0);

    TW_SETUPFILEXFER setup{};
    strcpy(setup.FileName, kSourceWrittenFile);
    sourceState = 4;
    DS_Entry(&application, DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
    sourceState = 6;
    std::vector<BYTE> file(14 + kHeaderBytes + kPixelBytes, 2);
    double writeMs = MedianMs([&] { PlainWrite(file.data(), file.size()); });
    double fileMs = MedianMs([&] { DS_Entry(&application, DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr); });
    Report("file transfer", fileMs, writeMs, "plain file write", 1.5);

    remove(kSourceWrittenFile);
    remove(kPlainFile);
    GlobalUnlock(snapshot);
    GlobalFree(snapshot);
    FreeTransferBuffers();
    return 0;
}
