// Drives DS_Entry with sequences of triplets whose data comes from the fuzzer: identities,
// capability containers of every kind and item type in real global blocks, transfer
// set-up and transfer records, status, user interface and pending transfers, together
// with what the Live View does between triplets (snapshots arriving, selection, Transfer).
// Every run starts from the library's state at load.
#include <fuzzer/FuzzedDataProvider.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "capture/capture_graph.h"
#include "fake_source.h"
#include "host_win32.h"
#include "protocol/entry_point.h"
#include "protocol/identity.h"
#include "protocol/pending_transfers.h"
#include "protocol/source_state.h"
#include "protocol/transfer_image.h"
#include "ui/snapshot_store.h"

namespace {

const TW_UINT32 kApplicationId = 7;

const TW_UINT16 kCapabilities[] = {
    CAP_XFERCOUNT, ICAP_COMPRESSION, ICAP_PIXELTYPE, ICAP_UNITS, ICAP_XFERMECH, CAP_FEEDERENABLED,
    CAP_FEEDERLOADED, CAP_SUPPORTEDCAPS, CAP_AUTOFEED, CAP_INDICATORS, CAP_UICONTROLLABLE,
    CAP_DEVICEONLINE, ICAP_AUTOBRIGHT, ICAP_BRIGHTNESS, ICAP_CONTRAST, ICAP_GAMMA, ICAP_HIGHLIGHT,
    ICAP_IMAGEFILEFORMAT, ICAP_ORIENTATION, ICAP_PHYSICALWIDTH, ICAP_PHYSICALHEIGHT, ICAP_SHADOW,
    ICAP_FRAMES, ICAP_XNATIVERESOLUTION, ICAP_YNATIVERESOLUTION, ICAP_XRESOLUTION, ICAP_YRESOLUTION,
    ICAP_MAXFRAMES, ICAP_BITORDER, ICAP_PIXELFLAVOR, ICAP_PLANARCHUNKY, ICAP_SUPPORTEDSIZES,
    ICAP_THRESHOLD, ICAP_XSCALING, ICAP_YSCALING, ICAP_BITDEPTH, ICAP_BITDEPTHREDUCTION,
    ICAP_UNDEFINEDIMAGESIZE, ICAP_MINIMUMHEIGHT, ICAP_MINIMUMWIDTH,
};
const TW_UINT16 kContainerKinds[] = {TWON_ARRAY, TWON_ENUMERATION, TWON_ONEVALUE, TWON_RANGE};
const TW_UINT16 kControlDats[] = {DAT_IDENTITY, DAT_USERINTERFACE, DAT_CAPABILITY, DAT_STATUS,
                                  DAT_PENDINGXFERS, DAT_SETUPMEMXFER, DAT_SETUPFILEXFER, DAT_XFERGROUP};
const TW_UINT16 kImageDats[] = {DAT_IMAGEINFO, DAT_IMAGELAYOUT, DAT_IMAGEMEMXFER, DAT_IMAGENATIVEXFER,
                                DAT_IMAGEFILEXFER, DAT_PALETTE8, DAT_GRAYRESPONSE, DAT_RGBRESPONSE,
                                DAT_CIECOLOR, DAT_JPEGCOMPRESSION};
// File names the file transfer may use: none, one in the run's own folder, one in a folder
// that does not exist, and the default name (in the working folder). Names from the
// fuzzer could reach anywhere on the machine.
char runFolder[] = "/tmp/orvellux-fuzz-XXXXXX";
std::string fileNames[4];

// Up to n bytes of the input over target; what the input lacks stays as it was.
void ConsumeInto(FuzzedDataProvider& input, void* target, size_t n) {
    std::vector<BYTE> bytes = input.ConsumeBytes<BYTE>(n);
    if (!bytes.empty()) memcpy(target, bytes.data(), bytes.size());
}

template <typename T, size_t n>
T Pick(FuzzedDataProvider& input, const T (&values)[n]) {
    return values[input.ConsumeIntegralInRange<size_t>(0, n - 1)];
}

TW_UINT16 PickMessage(FuzzedDataProvider& input, std::initializer_list<TW_UINT16> usual) {
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0) return input.ConsumeIntegral<TW_UINT16>();
    size_t index = input.ConsumeIntegralInRange<size_t>(0, usual.size() - 1);
    return usual.begin()[index];
}

// A record of exactly the record's size on the heap, so that a write past it shows.
template <typename Record>
Record* FuzzedRecord(FuzzedDataProvider& input, std::vector<BYTE>& storage) {
    storage.assign(sizeof(Record), 0);
    ConsumeInto(input, storage.data(), sizeof(Record));
    return reinterpret_cast<Record*>(storage.data());
}

TW_UINT16 Call(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
    return DS_Entry(origin, dg, dat, msg, data);
}

HGLOBAL FuzzedContainer(FuzzedDataProvider& input, TW_UINT16 kind) {
    TW_UINT16 itemType = input.ConsumeBool() ? input.ConsumeIntegralInRange<TW_UINT16>(TWTY_INT8, TWTY_STR255)
                                             : input.ConsumeIntegral<TW_UINT16>();
    TW_UINT32 items = input.ConsumeIntegralInRange<TW_UINT32>(0, 8);
    if (input.ConsumeIntegralInRange<int>(0, 15) == 0) items = input.ConsumeIntegral<TW_UINT32>();
    SIZE_T bytes;
    switch (kind) {
    case TWON_ONEVALUE: bytes = sizeof(TW_ONEVALUE); break;
    case TWON_RANGE: bytes = sizeof(TW_RANGE); break;
    case TWON_ENUMERATION: bytes = offsetof(TW_ENUMERATION, ItemList) + 8 * (items & 0xff); break;
    case TWON_ARRAY: bytes = offsetof(TW_ARRAY, ItemList) + 8 * (items & 0xff); break;
    default: bytes = input.ConsumeIntegralInRange<SIZE_T>(0, 64); break;
    }
    // Sometimes a block shorter than its header claims.
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0) bytes = input.ConsumeIntegralInRange<SIZE_T>(0, bytes);
    HGLOBAL block = GlobalAlloc(GHND, bytes);
    if (!block) return nullptr;
    BYTE* memory = static_cast<BYTE*>(GlobalLock(block));
    ConsumeInto(input, memory, bytes);
    if (bytes >= sizeof(TW_UINT16)) memcpy(memory, &itemType, sizeof itemType);
    if ((kind == TWON_ENUMERATION || kind == TWON_ARRAY) && bytes >= 2 + sizeof items) {
        memcpy(memory + 2, &items, sizeof items);
    }
    GlobalUnlock(block);
    return block;
}

void CapabilityTriplet(FuzzedDataProvider& input, TW_IDENTITY* origin) {
    TW_CAPABILITY capability = {};
    capability.Cap = input.ConsumeIntegralInRange<int>(0, 15) == 0 ? input.ConsumeIntegral<TW_UINT16>()
                                                                  : Pick(input, kCapabilities);
    capability.ConType = input.ConsumeIntegralInRange<int>(0, 7) == 0 ? input.ConsumeIntegral<TW_UINT16>()
                                                                     : Pick(input, kContainerKinds);
    HGLOBAL offered = input.ConsumeBool() ? FuzzedContainer(input, capability.ConType) : nullptr;
    capability.hContainer = offered;
    TW_UINT16 msg = PickMessage(input, {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET, MSG_RESET,
                                        MSG_QUERYSUPPORT, MSG_GETFIRST});
    Call(origin, DG_CONTROL, DAT_CAPABILITY, msg, input.ConsumeIntegralInRange<int>(0, 31) ? &capability : nullptr);
    // A container the source answers with belongs to the application.
    if (capability.hContainer && capability.hContainer != offered) GlobalFree(capability.hContainer);
    if (offered) GlobalFree(offered);
}

void MemoryTransferTriplet(FuzzedDataProvider& input, TW_IDENTITY* origin) {
    std::vector<BYTE> storage;
    pTW_IMAGEMEMXFER strip = FuzzedRecord<TW_IMAGEMEMXFER>(input, storage);
    TW_UINT32 length = input.ConsumeBool() ? input.ConsumeIntegralInRange<TW_UINT32>(16000, 33000)
                                           : input.ConsumeIntegral<TW_UINT32>();
    // The application's buffer is as long as it says, up to a size worth allocating.
    std::vector<BYTE> buffer(length <= 65536 ? length : 16);
    strip->Memory.Length = length;
    strip->Memory.TheMem = input.ConsumeIntegralInRange<int>(0, 15) ? buffer.data() : nullptr;
    Call(origin, DG_IMAGE, DAT_IMAGEMEMXFER, PickMessage(input, {MSG_GET}), strip);
}

void NativeTransferTriplet(FuzzedDataProvider& input, TW_IDENTITY* origin) {
    TW_HANDLE handle = nullptr;
    TW_UINT16 result = Call(origin, DG_IMAGE, DAT_IMAGENATIVEXFER, PickMessage(input, {MSG_GET}),
                            input.ConsumeIntegralInRange<int>(0, 15) ? &handle : nullptr);
    if (result == TWRC_XFERDONE && handle) GlobalFree(handle);
}

void SetupFileTransferTriplet(FuzzedDataProvider& input, TW_IDENTITY* origin) {
    std::vector<BYTE> storage;
    pTW_SETUPFILEXFER setup = FuzzedRecord<TW_SETUPFILEXFER>(input, storage);
    memset(setup->FileName, 0, sizeof setup->FileName);
    strcpy(setup->FileName, Pick(input, fileNames).c_str());
    Call(origin, DG_CONTROL, DAT_SETUPFILEXFER,
         PickMessage(input, {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET, MSG_RESET}), setup);
}

// Any other record-sized triplet of the two tables, with fuzzed contents.
template <typename Record>
void RecordTriplet(FuzzedDataProvider& input, TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat,
                   std::initializer_list<TW_UINT16> messages) {
    std::vector<BYTE> storage;
    Record* record = FuzzedRecord<Record>(input, storage);
    Call(origin, dg, dat, PickMessage(input, messages), input.ConsumeIntegralInRange<int>(0, 15) ? record : nullptr);
}

void ProcessEvent(FuzzedDataProvider& input, TW_IDENTITY* origin) {
    MSG message = {};
    message.hwnd = input.ConsumeBool() ? liveViewWindow : reinterpret_cast<HWND>(input.ConsumeIntegral<uintptr_t>());
    message.message = input.ConsumeIntegral<UINT>();
    TW_EVENT event = {input.ConsumeIntegralInRange<int>(0, 15) ? &message : nullptr, MSG_NULL};
    Call(origin, input.ConsumeIntegral<TW_UINT32>(), input.ConsumeIntegral<TW_UINT16>(), MSG_PROCESSEVENT,
         input.ConsumeIntegralInRange<int>(0, 15) ? &event : nullptr);
}

// A triplet no handler serves: another group, or a DAT outside the group's table.
void UnservedTriplet(FuzzedDataProvider& input, TW_IDENTITY* origin) {
    TW_UINT32 dg = input.ConsumeIntegral<TW_UINT32>();
    TW_UINT16 dat = input.ConsumeIntegral<TW_UINT16>();
    TW_UINT16 msg = input.ConsumeIntegral<TW_UINT16>();
    if (msg == MSG_PROCESSEVENT) return;
    for (TW_UINT16 served : kControlDats) if (dg == DG_CONTROL && dat == served) return;
    for (TW_UINT16 served : kImageDats) if (dg == DG_IMAGE && dat == served) return;
    std::vector<BYTE> scratch(64);
    Call(origin, dg, dat, msg, scratch.data());
}

// What the Live View and the still thread do between triplets.
void WindowEvent(FuzzedDataProvider& input) {
    int slot = input.ConsumeIntegralInRange<int>(0, kSlotCount - 1);
    switch (input.ConsumeIntegralInRange<int>(0, 4)) {
    case 0: {
        // A snapshot arrives; its header may claim more than the record holds.
        int width = input.ConsumeIntegralInRange<int>(1, 64);
        int height = input.ConsumeIntegralInRange<int>(1, 64);
        HGLOBAL record = MakeFilledSnapshot(width, height, input.ConsumeIntegral<BYTE>());
        if (record && input.ConsumeIntegralInRange<int>(0, 3) == 0) {
            ConsumeInto(input, GlobalLock(record), sizeof(BITMAPINFOHEADER));
            GlobalUnlock(record);
        }
        if (snapshotStore.slotImage[slot]) GlobalFree(snapshotStore.slotImage[slot]);
        snapshotStore.slotImage[slot] = record;
        snapshotStore.markSlot = slot;
        break;
    }
    case 1: snapshotStore.slotSelected[slot] = !snapshotStore.slotSelected[slot]; break;
    case 2: snapshotStore.markSlot = slot; break;
    case 3: if (liveViewWindow) BeginTransferBatch(); break;
    case 4: if (liveViewWindow) RequestClose(); break;
    }
}

void RemoveRunFolder() {
    for (const std::string& name : fileNames) {
        if (!name.empty()) unlink(name.c_str());
    }
    rmdir(runFolder);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!mkdtemp(runFolder)) abort();
    fileNames[1] = std::string(runFolder) + "/transfer.bmp";
    fileNames[2] = std::string(runFolder) + "/missing-folder/transfer.bmp";
    fileNames[3] = "c:\\twain.bmp";
    atexit(RemoveRunFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ResetSourceForTests();
    FuzzedDataProvider input(data, size);
    if (input.ConsumeBool()) OfferSourceManager();
    previewAvailable = input.ConsumeBool();
    fakeLiveView.cameraMissing = input.ConsumeIntegralInRange<int>(0, 7) == 0;
    fakeLiveView.createFails = input.ConsumeIntegralInRange<int>(0, 7) == 0;
    fakeCamera.triggerSucceeds = input.ConsumeBool();
    fakeCamera.stillAfterWaits = input.ConsumeIntegralInRange<int>(-1, 17);
    fakeCamera.stillWidth = input.ConsumeIntegralInRange<int>(1, 64);
    fakeCamera.stillHeight = input.ConsumeIntegralInRange<int>(1, 64);
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0) {
        HostFailAllocationsAfter(input.ConsumeIntegralInRange<int>(0, 12));
    }

    TW_IDENTITY application = {};
    application.Id = kApplicationId;
    application.ProtocolMajor = 1;
    application.ProtocolMinor = 9;
    TW_IDENTITY stranger = application;
    stranger.Id = kApplicationId + 1;

    for (int step = 0; step < 64 && input.remaining_bytes() > 0; ++step) {
        int originChoice = input.ConsumeIntegralInRange<int>(0, 31);
        TW_IDENTITY* origin = originChoice == 0 ? nullptr : originChoice == 1 ? &stranger : &application;
        if (originChoice == 2) ConsumeInto(input, &application, sizeof application);
        std::vector<BYTE> storage;
        switch (input.ConsumeIntegralInRange<int>(0, 19)) {
        case 0: {
            pTW_IDENTITY identity = FuzzedRecord<TW_IDENTITY>(input, storage);
            TW_UINT16 msg = PickMessage(input, {MSG_GET, MSG_OPENDS, MSG_CLOSEDS});
            Call(origin, DG_CONTROL, DAT_IDENTITY, msg, input.ConsumeIntegralInRange<int>(0, 15) ? identity : nullptr);
            break;
        }
        case 1:
            RecordTriplet<TW_USERINTERFACE>(input, origin, DG_CONTROL, DAT_USERINTERFACE,
                                            {MSG_ENABLEDS, MSG_DISABLEDS, MSG_ENABLEDSUIONLY});
            break;
        case 2: RecordTriplet<TW_STATUS>(input, origin, DG_CONTROL, DAT_STATUS, {MSG_GET}); break;
        case 3:
            RecordTriplet<TW_PENDINGXFERS>(input, origin, DG_CONTROL, DAT_PENDINGXFERS,
                                           {MSG_GET, MSG_ENDXFER, MSG_RESET});
            break;
        case 4: CapabilityTriplet(input, origin); break;
        case 5: RecordTriplet<TW_SETUPMEMXFER>(input, origin, DG_CONTROL, DAT_SETUPMEMXFER, {MSG_GET}); break;
        case 6: SetupFileTransferTriplet(input, origin); break;
        case 7:
            RecordTriplet<TW_UINT32>(input, origin, DG_CONTROL, DAT_XFERGROUP,
                                     {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET, MSG_RESET});
            break;
        case 8: RecordTriplet<TW_IMAGEINFO>(input, origin, DG_IMAGE, DAT_IMAGEINFO, {MSG_GET}); break;
        case 9:
            RecordTriplet<TW_IMAGELAYOUT>(input, origin, DG_IMAGE, DAT_IMAGELAYOUT,
                                          {MSG_GET, MSG_GETDEFAULT, MSG_SET, MSG_RESET});
            break;
        case 10: MemoryTransferTriplet(input, origin); break;
        case 11: NativeTransferTriplet(input, origin); break;
        case 12: Call(origin, DG_IMAGE, DAT_IMAGEFILEXFER, PickMessage(input, {MSG_GET}), nullptr); break;
        case 13: RecordTriplet<TW_PALETTE8>(input, origin, DG_IMAGE, DAT_PALETTE8, {MSG_GET, MSG_GETDEFAULT, MSG_SET, MSG_RESET}); break;
        case 14: RecordTriplet<TW_CIECOLOR>(input, origin, DG_IMAGE, DAT_CIECOLOR, {MSG_GET}); break;
        case 15: {
            TW_UINT16 dat = input.PickValueInArray({DAT_GRAYRESPONSE, DAT_RGBRESPONSE, DAT_JPEGCOMPRESSION});
            Call(origin, DG_IMAGE, dat, input.ConsumeIntegral<TW_UINT16>(), nullptr);
            break;
        }
        case 16: ProcessEvent(input, origin); break;
        case 17: UnservedTriplet(input, origin); break;
        default: WindowEvent(input); break;
        }
    }
    ResetSourceForTests();
    return 0;
}
