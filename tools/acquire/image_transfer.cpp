#include "image_transfer.h"

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <vector>

#include "bitmap_image.h"
#include "capability_report.h"
#include "twain_session.h"
#include "ui_script.h"

namespace {

const char* const kMechanismNames[] = {"native", "memory", "file"};
const TW_UINT16 kMechanismValues[] = {TWSX_NATIVE, TWSX_MEMORY, TWSX_FILE};
const DWORD kScriptPollMs = 20;

struct Acquisition {
    const ToolOptions* options;
    DWORD deadline;
    int imagesWritten;
};

std::string ImagePath(const Acquisition& run, int number, const char* suffix) {
    char name[32];
    snprintf(name, sizeof name, "image_%03d%s.bmp", number, suffix);
    std::string path = run.options->outDir;
    if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '\\';
    return path + name;
}

bool TransferNative(RgbImage* image, std::string* error) {
    // The handle is pointer-sized on 64-bit Windows, so the source writes a whole TW_HANDLE.
    TW_HANDLE handle = nullptr;
    TW_UINT16 result = CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    if (result != TWRC_XFERDONE) {
        *error = "native transfer: " + DescribeFailure(result);
        return false;
    }
    const unsigned char* dib = static_cast<const unsigned char*>(GlobalLock(handle));
    if (!dib) {
        *error = "native transfer handed over no usable memory block";
        return false;
    }
    bool read = ReadDib(dib, GlobalSize(handle), image, error);
    GlobalUnlock(handle);
    GlobalFree(handle);
    if (!read) *error = "native transfer: " + *error;
    return read;
}

bool TransferMemory(const TW_IMAGEINFO& info, RgbImage* image, std::string* error) {
    if (info.BitsPerPixel != 24 || info.PixelType != TWPT_RGB || info.ImageWidth <= 0 || info.ImageLength <= 0) {
        *error = "memory transfer handles 24-bit RGB images only";
        return false;
    }
    TW_SETUPMEMXFER setup = {};
    TW_UINT16 result = CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup);
    if (result != TWRC_SUCCESS) {
        *error = "DAT_SETUPMEMXFER: " + DescribeFailure(result);
        return false;
    }
    TW_UINT32 bufferSize = std::max(setup.MinBufSize, std::min(setup.Preferred, setup.MaxBufSize));
    std::vector<unsigned char> buffer(bufferSize);
    image->width = info.ImageWidth;
    image->height = info.ImageLength;
    size_t rowBytes = static_cast<size_t>(image->width) * 3;
    image->pixels.assign(rowBytes * image->height, 0);
    long rowsReceived = 0;
    // Every strip call either delivers rows or ends; a source that does neither is cut off.
    for (long calls = 0; calls <= image->height + 2L; ++calls) {
        TW_IMAGEMEMXFER strip = {};
        strip.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
        strip.Memory.Length = bufferSize;
        strip.Memory.TheMem = buffer.data();
        result = CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
        if (result != TWRC_SUCCESS && result != TWRC_XFERDONE) {
            *error = "memory transfer: " + DescribeFailure(result);
            return false;
        }
        if (strip.Rows > 0) {
            bool fits = strip.BytesPerRow >= rowBytes && strip.Columns == static_cast<TW_UINT32>(image->width) &&
                        strip.XOffset == 0 && strip.YOffset <= static_cast<TW_UINT32>(image->height) &&
                        strip.Rows <= image->height - strip.YOffset &&
                        static_cast<unsigned long long>(strip.Rows) * strip.BytesPerRow <= bufferSize;
            if (!fits) {
                *error = "memory transfer strip at row " + std::to_string(strip.YOffset) + " does not fit the image";
                return false;
            }
            for (TW_UINT32 row = 0; row < strip.Rows; ++row) {
                const unsigned char* from = buffer.data() + row * strip.BytesPerRow;
                unsigned char* to = &image->pixels[(strip.YOffset + row) * rowBytes];
                // Strips carry red, green, blue; the tool keeps blue, green, red.
                for (int x = 0; x < image->width; ++x) {
                    to[x * 3] = from[x * 3 + 2];
                    to[x * 3 + 1] = from[x * 3 + 1];
                    to[x * 3 + 2] = from[x * 3];
                }
            }
            rowsReceived += strip.Rows;
        }
        if (result == TWRC_XFERDONE) {
            if (rowsReceived != image->height) {
                *error = "memory transfer ended after " + std::to_string(rowsReceived) + " of " +
                         std::to_string(image->height) + " rows";
                return false;
            }
            return true;
        }
    }
    *error = "memory transfer did not end";
    return false;
}

bool TransferFile(const Acquisition& run, int number, RgbImage* image, std::string* error) {
    std::string transferPath = ImagePath(run, number, "_transfer");
    TW_SETUPFILEXFER setup = {};
    if (transferPath.size() >= sizeof setup.FileName) {
        *error = "output folder path is too long for a file transfer";
        return false;
    }
    strcpy(setup.FileName, transferPath.c_str());
    setup.Format = TWFF_BMP;
    TW_UINT16 result = CallSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
    if (result != TWRC_SUCCESS) {
        *error = "DAT_SETUPFILEXFER: " + DescribeFailure(result);
        return false;
    }
    result = CallSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
    if (result != TWRC_XFERDONE) {
        DeleteFileA(transferPath.c_str());
        *error = "file transfer: " + DescribeFailure(result);
        return false;
    }
    std::vector<unsigned char> contents;
    FILE* file = fopen(transferPath.c_str(), "rb");
    if (file) {
        unsigned char chunk[65536];
        size_t count;
        while ((count = fread(chunk, 1, sizeof chunk, file)) > 0) contents.insert(contents.end(), chunk, chunk + count);
        fclose(file);
    }
    DeleteFileA(transferPath.c_str());
    if (!ReadBitmapFile(contents.data(), contents.size(), image, error)) {
        *error = "file transfer wrote " + std::to_string(contents.size()) + " bytes: " + *error;
        return false;
    }
    return true;
}

bool TransferOne(Acquisition* run, std::string* error) {
    int number = run->imagesWritten + 1;
    TW_IMAGEINFO info = {};
    TW_UINT16 result = CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info);
    if (result != TWRC_SUCCESS) {
        *error = "DAT_IMAGEINFO: " + DescribeFailure(result);
        return false;
    }
    printf("Image %d: %d x %d, %d bits per pixel, pixel type %d; %s transfer\n", number,
           static_cast<int>(info.ImageWidth), static_cast<int>(info.ImageLength), info.BitsPerPixel,
           info.PixelType, kMechanismNames[run->options->mechanism]);
    RgbImage image;
    bool transferred = false;
    switch (run->options->mechanism) {
    case kMechanismNative:
        transferred = TransferNative(&image, error);
        break;
    case kMechanismMemory:
        transferred = TransferMemory(info, &image, error);
        break;
    case kMechanismFile:
        transferred = TransferFile(*run, number, &image, error);
        break;
    }
    if (!transferred) return false;
    std::string path = ImagePath(*run, number, "");
    if (!WriteBitmapFile(path, image, error)) return false;
    run->imagesWritten = number;
    printf("  wrote %s (%d x %d)\n", path.c_str(), image.width, image.height);
    return true;
}

// Takes images until the source reports none pending.
bool TransferBatch(Acquisition* run, std::string* error) {
    for (;;) {
        if (!TransferOne(run, error)) {
            TW_PENDINGXFERS pending = {};
            CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
            return false;
        }
        TW_PENDINGXFERS pending = {};
        TW_UINT16 result = CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
        if (result != TWRC_SUCCESS) {
            *error = "MSG_ENDXFER: " + DescribeFailure(result);
            return false;
        }
        printf("  pending transfers: %u\n", pending.Count);
        if (pending.Count == 0) return true;
        if (static_cast<LONG>(run->deadline - GetTickCount()) <= 0) {
            *error = "timed out during the transfers";
            return false;
        }
    }
}

void NegotiateMechanism(TransferMechanism mechanism) {
    ToolOptions mechanismOnly;
    mechanismOnly.sets.push_back({ICAP_XFERMECH, std::to_string(kMechanismValues[mechanism])});
    std::string ignored;
    // A source may serve every mechanism without negotiating; the transfer itself decides.
    if (!ApplyCapabilityChanges(mechanismOnly, &ignored))
        printf("warning: the source did not accept ICAP_XFERMECH %s\n", kMechanismNames[mechanism]);
}

bool TimedOut(const Acquisition& run, std::string* error) {
    if (static_cast<LONG>(run.deadline - GetTickCount()) > 0) return false;
    *error = "timed out after " + std::to_string(run.options->timeoutSeconds) + " s waiting for the source";
    std::string step = CurrentUiStep();
    if (!step.empty()) *error += " in script step \"" + step + "\"";
    return true;
}

bool RunEnabled(Acquisition* run, std::string* error) {
    const ToolOptions& options = *run->options;
    bool scriptRunning = !options.uiSteps.empty();
    if (scriptRunning) {
        std::string title(openSource.ProductName, strnlen(openSource.ProductName, sizeof(TW_STR32)));
        StartUiScript(options.uiSteps, title, options.screenshotFile);
    }
    bool batchHeld = false;
    printf("Waiting for images (at most %u s)\n", options.timeoutSeconds);
    for (;;) {
        if (scriptRunning) {
            UiScriptProgress progress = AdvanceUiScript(error);
            if (progress == kScriptFailed) return false;
            if (progress == kScriptFinished) {
                printf("Script done; waiting for the source's close request\n");
                scriptRunning = false;
            }
        }
        if (batchHeld && !UiScriptHoldsTransfers()) {
            batchHeld = false;
            if (!TransferBatch(run, error)) return false;
            NoteHeldBatch(false);
            continue;
        }
        if (TimedOut(*run, error)) return false;
        // The script's waits are looked at between messages, so the loop never sleeps long.
        DWORD until = run->deadline;
        if (scriptRunning && static_cast<LONG>(run->deadline - GetTickCount()) > static_cast<LONG>(kScriptPollMs))
            until = GetTickCount() + kScriptPollMs;
        TW_UINT16 msg = MSG_NULL;
        if (!WaitForSourceMessage(until, &msg)) continue;
        if (msg == MSG_CLOSEDSREQ) {
            printf("The source asks to be closed\n");
            if (scriptRunning) printf("  script steps not run: %u\n", static_cast<unsigned>(UiStepsLeft()));
            if (batchHeld) printf("  the held images were not transferred\n");
            return true;
        }
        if (scriptRunning && UiScriptHoldsTransfers()) {
            printf("The source has images ready; the script holds them back\n");
            NoteHeldBatch(true);
            batchHeld = true;
            continue;
        }
        printf("The source has images ready\n");
        if (!TransferBatch(run, error)) return false;
        // Without its user interface the source offers one batch and then waits to be closed.
        if (!options.showUserInterface) return true;
    }
}

// One enabling of the source, from MSG_ENABLEDS to MSG_DISABLEDS.
bool RunRound(Acquisition* run, std::string* error) {
    const ToolOptions& options = *run->options;
    TW_USERINTERFACE ui = {};
    ui.ShowUI = options.showUserInterface ? TRUE : FALSE;
    ui.ModalUI = FALSE;
    ui.hParent = toolWindow;
    printf("Enabling the source %s its user interface\n", options.showUserInterface ? "with" : "without");
    TW_UINT16 result = CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    if (result != TWRC_SUCCESS) {
        *error = "MSG_ENABLEDS: " + DescribeFailure(result);
        return false;
    }
    bool done = RunEnabled(run, error);
    result = CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
    if (result != TWRC_SUCCESS) printf("warning: MSG_DISABLEDS failed: %s\n", DescribeFailure(result).c_str());
    return done;
}

bool PrepareOutputFolder(const std::string& folder, std::string* error) {
    DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    if (CreateDirectoryA(folder.c_str(), nullptr)) return true;
    *error = "cannot create the output folder " + folder;
    return false;
}

}  // namespace

bool AcquireImages(const ToolOptions& options, std::string* error) {
    if (!PrepareOutputFolder(options.outDir, error)) return false;
    Acquisition run = {&options, GetTickCount() + options.timeoutSeconds * 1000, 0};
    NegotiateMechanism(options.mechanism);
    bool allDone = true;
    for (unsigned round = 1; round <= options.rounds; ++round) {
        if (options.rounds > 1) printf("Round %u of %u\n", round, options.rounds);
        std::string roundError;
        if (RunRound(&run, &roundError)) continue;
        // A later round may still work (the source may find its camera again), so it runs.
        if (round < options.rounds) printf("Round %u failed: %s\n", round, roundError.c_str());
        if (allDone) *error = roundError;
        allDone = false;
    }
    printf("%d image(s) written to %s\n", run.imagesWritten, options.outDir.c_str());
    return allDone;
}
