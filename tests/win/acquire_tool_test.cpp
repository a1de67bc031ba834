// The acquisition tool: its decoding and image handling hosted directly, and the program
// itself run against probe sources through the installed source manager.
#include <windows.h>

#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "acquire_program_run.h"
#include "bitmap_image.h"
#include "capability_report.h"
#include "command_line.h"
#include "dsm_probe_install.h"
#include "watched_test.h"

namespace {

// Little-endian byte pieces for container blocks.
std::vector<unsigned char> U16(unsigned value) { return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8)}; }
std::vector<unsigned char> U32(unsigned value) {
    return {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
            static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
}
std::vector<unsigned char> Fix(int whole, unsigned frac) {
    std::vector<unsigned char> bytes = U16(static_cast<unsigned>(whole) & 0xffff);
    std::vector<unsigned char> fraction = U16(frac);
    bytes.insert(bytes.end(), fraction.begin(), fraction.end());
    return bytes;
}
std::vector<unsigned char> Join(std::initializer_list<std::vector<unsigned char>> pieces) {
    std::vector<unsigned char> bytes;
    for (const auto& piece : pieces) bytes.insert(bytes.end(), piece.begin(), piece.end());
    return bytes;
}

HGLOBAL Block(const std::vector<unsigned char>& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

TEST(AcquireContainerText, DecodesEveryContainerKindWithinItsBlock) {
    struct Case {
        TW_UINT16 cap;
        TW_UINT16 conType;
        std::vector<unsigned char> bytes;
        const char* text;
    };
    const Case cases[] = {
        {ICAP_PHYSICALWIDTH, TWON_ONEVALUE, Join({U16(TWTY_FIX32), Fix(8, 32768)}), "ONEVALUE FIX32 8.5"},
        {CAP_XFERCOUNT, TWON_ONEVALUE, Join({U16(TWTY_INT16), U32(0xffff)}), "ONEVALUE INT16 -1"},
        {CAP_DEVICEONLINE, TWON_ONEVALUE, Join({U16(TWTY_BOOL), U32(1)}), "ONEVALUE BOOL TRUE"},
        {ICAP_FRAMES, TWON_ONEVALUE, Join({U16(TWTY_FRAME), Fix(0, 0), Fix(0, 0), Fix(8, 32768), Fix(11, 0)}),
         "ONEVALUE FRAME (0, 0, 8.5, 11)"},
        {ICAP_XFERMECH, TWON_ENUMERATION,
         Join({U16(TWTY_UINT16), U32(3), U32(2), U32(0), U16(0), U16(1), U16(2), {0}}),
         "ENUMERATION UINT16 [0, 1, 2] current #2 = 2, default #0 = 0"},
        {CAP_SUPPORTEDCAPS, TWON_ARRAY, Join({U16(TWTY_UINT16), U32(2), U16(ICAP_XFERMECH), U16(0x1005), {0}}),
         "ARRAY UINT16 2 items [ICAP_XFERMECH, CAP_SUPPORTEDCAPS]"},
        {ICAP_BRIGHTNESS, TWON_RANGE,
         Join({U16(TWTY_FIX32), Fix(-1000, 1), Fix(1000, 0), Fix(1000, 0), Fix(0, 0), Fix(0, 0)}),
         "RANGE FIX32 min -999.99998 max 1000 step 1000 default 0 current 0"},
        {ICAP_THRESHOLD, TWON_RANGE, Join({U16(TWTY_UINT16), U32(0), U32(255), U32(1), U32(128), U32(128)}),
         "RANGE UINT16 min 0 max 255 step 1 default 128 current 128"},
    };
    for (const Case& check : cases) {
        HGLOBAL block = Block(check.bytes);
        EXPECT_EQ(check.text, DescribeContainer(check.cap, check.conType, block));
        GlobalFree(block);
    }
}

TEST(AcquireContainerText, RefusesToReadPastAShortBlock) {
    HGLOBAL lying = Block(Join({U16(TWTY_UINT16), U32(1000), U32(0), U32(0), U16(0), {0}}));
    std::string text = DescribeContainer(ICAP_XFERMECH, TWON_ENUMERATION, lying);
    EXPECT_NE(std::string::npos, text.find("too small for 1000 items")) << text;
    GlobalFree(lying);
    HGLOBAL stub = Block(Join({U16(TWTY_FRAME), U32(0)}));
    text = DescribeContainer(ICAP_FRAMES, TWON_ONEVALUE, stub);
    EXPECT_NE(std::string::npos, text.find("too small")) << text;
    GlobalFree(stub);
}

TEST(AcquireOneValue, EncodesTheTextInTheCapabilitysItemType) {
    struct Case {
        TW_UINT16 itemType;
        const char* text;
        bool accepted;
        TW_UINT32 item;
    };
    const Case cases[] = {
        {TWTY_INT16, "-1", true, 0x0000ffff},   {TWTY_INT16, "25", true, 25},
        {TWTY_UINT16, "0x10", true, 16},        {TWTY_UINT16, "70000", false, 0},
        {TWTY_UINT16, "-1", false, 0},          {TWTY_INT16, "abc", false, 0},
        {TWTY_BOOL, "true", true, 1},           {TWTY_BOOL, "FALSE", true, 0},
        {TWTY_BOOL, "2", false, 0},             {TWTY_FIX32, "-1000", true, 0x0000fc18},
        {TWTY_FIX32, "8.5", true, 0x80000008},  {TWTY_FIX32, "40000", false, 0},
        {TWTY_FRAME, "1", false, 0},
    };
    for (const Case& check : cases) {
        std::string error;
        HGLOBAL container = MakeOneValue(check.itemType, check.text, &error);
        ASSERT_EQ(check.accepted, container != nullptr) << check.text << ": " << error;
        if (!container) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        const TW_ONEVALUE* oneValue = static_cast<const TW_ONEVALUE*>(GlobalLock(container));
        EXPECT_EQ(check.itemType, oneValue->ItemType) << check.text;
        EXPECT_EQ(check.item, oneValue->Item) << check.text;
        GlobalUnlock(container);
        GlobalFree(container);
    }
}

// The probe source's picture: red 200, green by row, blue by column, top row first.
void ExpectProbePicture(const RgbImage& image, const std::string& where) {
    ASSERT_EQ(5, image.width) << where;
    ASSERT_EQ(3, image.height) << where;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const unsigned char* bgr = &image.pixels[(y * 5 + x) * 3];
            EXPECT_EQ(x * 40, bgr[0]) << where << " blue at " << x << "," << y;
            EXPECT_EQ(y * 80, bgr[1]) << where << " green at " << x << "," << y;
            EXPECT_EQ(200, bgr[2]) << where << " red at " << x << "," << y;
        }
}

// A 5 x 3 24-bit bitmap of the probe's picture, rows padded to 16 bytes.
std::vector<unsigned char> ProbeDib(bool topDown, WORD bits = 24, DWORD compression = BI_RGB) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = 5;
    header.biHeight = topDown ? -3 : 3;
    header.biPlanes = 1;
    header.biBitCount = bits;
    header.biCompression = compression;
    std::vector<unsigned char> dib(sizeof header + 16 * 3, 0);
    memcpy(dib.data(), &header, sizeof header);
    for (int y = 0; y < 3; ++y) {
        unsigned char* row = &dib[sizeof header + (topDown ? y : 2 - y) * 16];
        for (int x = 0; x < 5; ++x) {
            row[x * 3] = static_cast<unsigned char>(x * 40);
            row[x * 3 + 1] = static_cast<unsigned char>(y * 80);
            row[x * 3 + 2] = 200;
        }
    }
    return dib;
}

TEST(AcquireBitmap, ReadsBothRowOrdersAndWritesAnOrdinaryBitmapFile) {
    for (bool topDown : {false, true}) {
        std::vector<unsigned char> dib = ProbeDib(topDown);
        RgbImage image;
        std::string error;
        ASSERT_TRUE(ReadDib(dib.data(), dib.size(), &image, &error)) << error;
        ExpectProbePicture(image, topDown ? "top-down" : "bottom-up");
    }

    std::vector<unsigned char> dib = ProbeDib(false);
    RgbImage image;
    std::string error;
    ASSERT_TRUE(ReadDib(dib.data(), dib.size(), &image, &error));
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string path = std::string(folder) + "acquire_bitmap_test.bmp";
    ASSERT_TRUE(WriteBitmapFile(path, image, &error)) << error;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    std::vector<unsigned char> contents(200);
    DWORD got = 0;
    ReadFile(file, contents.data(), static_cast<DWORD>(contents.size()), &got, nullptr);
    CloseHandle(file);
    DeleteFileA(path.c_str());
    EXPECT_EQ(14u + 40 + 16 * 3, got);
    contents.resize(got);
    BITMAPINFOHEADER written;
    memcpy(&written, &contents[14], sizeof written);
    EXPECT_EQ(3, written.biHeight) << "bottom-up";
    EXPECT_EQ(24, written.biBitCount);
    EXPECT_TRUE(std::equal(dib.begin() + 40, dib.end(), contents.begin() + 54)) << "rows padded to 32 bits";
    RgbImage reread;
    ASSERT_TRUE(ReadBitmapFile(contents.data(), contents.size(), &reread, &error)) << error;
    ExpectProbePicture(reread, "written file");
}

TEST(AcquireBitmap, RefusesWhatItCannotTurnIntoA24BitImage) {
    struct Case {
        const char* what;
        std::vector<unsigned char> dib;
    };
    std::vector<unsigned char> truncated = ProbeDib(false);
    truncated.resize(truncated.size() - 1);
    std::vector<unsigned char> headerOnly = ProbeDib(false);
    headerOnly.resize(20);
    const Case cases[] = {
        {"rows cut short", truncated},
        {"8 bits a pixel", ProbeDib(false, 8)},
        {"compressed", ProbeDib(false, 24, BI_RLE8)},
        {"header cut short", headerOnly},
    };
    for (const Case& check : cases) {
        RgbImage image;
        std::string error;
        EXPECT_FALSE(ReadDib(check.dib.data(), check.dib.size(), &image, &error)) << check.what;
        EXPECT_FALSE(error.empty()) << check.what;
    }
}

TEST(AcquireCommandLine, AcceptsEachCommandWithItsOptions) {
    ToolOptions options;
    std::string error;
    const char* script = "snap 3; click 2; ctrl-click 5; shift-click 9; transfer; exit";
    const char* acquire[] = {"acquire", "--source", "Orvellux", "--acquire", "--ui-script", script,
                             "--mech", "file", "--out", "D:\\out", "--screenshot", "s.png", "--timeout", "30"};
    ASSERT_TRUE(ParseCommandLine(14, acquire, &options, &error)) << error;
    EXPECT_EQ(kCommandAcquire, options.command);
    EXPECT_EQ("Orvellux", options.sourceName);
    const UiStepKind kinds[] = {kStepSnap, kStepClick, kStepControlClick, kStepShiftClick, kStepTransfer, kStepExit};
    const unsigned numbers[] = {3, 2, 5, 9, 0, 0};
    ASSERT_EQ(6u, options.uiSteps.size());
    for (size_t step = 0; step < 6; ++step) {
        EXPECT_EQ(kinds[step], options.uiSteps[step].kind) << step;
        EXPECT_EQ(numbers[step], options.uiSteps[step].number) << step;
    }
    EXPECT_EQ(kMechanismFile, options.mechanism);
    EXPECT_TRUE(options.showUserInterface);
    EXPECT_EQ(30u, options.timeoutSeconds);

    options = ToolOptions();
    const char* negotiate[] = {"acquire", "--source", "X", "--set", "icap_xfermech=2", "--reset", "0x1101"};
    ASSERT_TRUE(ParseCommandLine(7, negotiate, &options, &error)) << error;
    EXPECT_EQ(kCommandNegotiate, options.command);
    ASSERT_EQ(1u, options.sets.size());
    EXPECT_EQ(ICAP_XFERMECH, options.sets[0].cap);
    EXPECT_EQ("2", options.sets[0].value);
    ASSERT_EQ(1u, options.resets.size());
    EXPECT_EQ(ICAP_BRIGHTNESS, options.resets[0]);

    options = ToolOptions();
    const char* noUi[] = {"acquire", "--source", "X", "--acquire", "--no-ui", "--mech", "memory", "--out", "o"};
    ASSERT_TRUE(ParseCommandLine(9, noUi, &options, &error)) << error;
    EXPECT_FALSE(options.showUserInterface);
    EXPECT_EQ(kMechanismMemory, options.mechanism);
}

TEST(AcquireUiScript, ReadsEveryStepWithItsNumber) {
    std::vector<UiStep> steps;
    std::string error;
    ASSERT_TRUE(ParseUiScript(" snap 12;trigger; button ;click 0; ctrl-click 11; shift-click 4; transfer; hold; "
                              "release; exit; close; wait 250;",
                              &steps, &error))
        << error;
    const UiStepKind kinds[] = {kStepSnap,       kStepTrigger,  kStepButton, kStepClick,
                                kStepControlClick, kStepShiftClick, kStepTransfer, kStepHold,
                                kStepRelease,    kStepExit,     kStepClose,  kStepWait};
    const unsigned numbers[] = {12, 0, 0, 0, 11, 4, 0, 0, 0, 0, 0, 250};
    ASSERT_EQ(12u, steps.size());
    for (size_t step = 0; step < steps.size(); ++step) {
        EXPECT_EQ(kinds[step], steps[step].kind) << steps[step].text;
        EXPECT_EQ(numbers[step], steps[step].number) << steps[step].text;
    }
}

TEST(AcquireCommandLine, RefusesLinesItCannotCarryOut) {
    struct Case {
        std::vector<const char*> arguments;
        const char* reason;
    };
    const Case cases[] = {
        {{}, "nothing to do"},
        {{"--caps"}, "--source NAME is needed"},
        {{"--source"}, "needs a value"},
        {{"--list", "--caps"}, "choose one"},
        {{"--list", "--source", "X"}, "--list takes no"},
        {{"--source", "X", "--set", "NO_SUCH_CAP=1"}, "--set wants"},
        {{"--source", "X", "--set", "ICAP_XFERMECH"}, "--set wants"},
        {{"--source", "X", "--acquire"}, "needs --out"},
        {{"--source", "X", "--acquire", "--out", "o", "--mech", "fax"}, "--mech wants"},
        {{"--source", "X", "--acquire", "--out", "o", "--ui-script", "snap 2; dance"}, "\"dance\""},
        {{"--source", "X", "--acquire", "--out", "o", "--ui-script", "click 12"}, "\"click 12\""},
        {{"--source", "X", "--acquire", "--out", "o", "--ui-script", "snap 0"}, "\"snap 0\""},
        {{"--source", "X", "--acquire", "--out", "o", "--ui-script", "wait"}, "\"wait\""},
        {{"--source", "X", "--acquire", "--out", "o", "--ui-script", "exit 2"}, "\"exit 2\""},
        {{"--source", "X", "--acquire", "--out", "o", "--ui-script", " ; "}, "no steps"},
        {{"--source", "X", "--acquire", "--out", "o", "--screenshot", "s.bmp"}, "goes with --ui-script"},
        {{"--source", "X", "--acquire", "--out", "o", "--no-ui", "--ui-script", "exit"}, "--no-ui"},
        {{"--source", "X", "--acquire", "--out", "o", "--timeout", "0"}, "--timeout"},
        {{"--source", "X", "--caps", "--out", "o"}, "go with --acquire"},
        {{"--source", "X", "--caps", "--frobnicate"}, "unknown option"},
    };
    for (const Case& check : cases) {
        std::vector<const char*> argv = {"acquire"};
        argv.insert(argv.end(), check.arguments.begin(), check.arguments.end());
        ToolOptions options;
        std::string error;
        EXPECT_FALSE(ParseCommandLine(static_cast<int>(argv.size()), argv.data(), &options, &error)) << check.reason;
        EXPECT_NE(std::string::npos, error.find(check.reason)) << error;
    }
}

// The program itself, through the source manager of the prefix, with probe sources.
class AcquireProgramTest : public WatchedTest {
protected:
    static void SetUpTestSuite() {
        RemoveProbes();
        probesInstalled = InstallProbeFile(ORV_PROBE_SOURCE, "AlphaProbe.ds") &&
                          InstallProbeFile(ORV_PROBE_SOURCE, "RefuseProbe.ds") &&
                          InstallProbeFile(ORV_PROBE_SOURCE, "SilentProbe.ds") &&
                          InstallProbeFile(ORV_PROBE_SOURCE, "StallProbe.ds");
    }
    static void TearDownTestSuite() { RemoveProbes(); }

    void SetUp() override {
        ASSERT_TRUE(probesInstalled);
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        outDir_ = std::string(temp) + "acquire_program_test";
        EmptyOutDir();
    }
    void TearDown() override {
        EmptyOutDir();
        WatchedTest::TearDown();
    }

    void EmptyOutDir() {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((outDir_ + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    DeleteFileA((outDir_ + "\\" + found.cFileName).c_str());
            } while (FindNextFileA(search, &found));
            FindClose(search);
        }
        RemoveDirectoryA(outDir_.c_str());
    }

    std::vector<std::string> OutFiles() {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((outDir_ + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

    // Lines end in "\n" here, whatever the console convention.
    static ProgramRun Acquire(const std::string& arguments) {
        ProgramRun run = RunProgram(ORV_ACQUIRE_EXE, arguments, 60000);
        run.output.erase(std::remove(run.output.begin(), run.output.end(), '\r'), run.output.end());
        return run;
    }

    static bool probesInstalled;
    std::string outDir_;
};

bool AcquireProgramTest::probesInstalled = false;

TEST_F(AcquireProgramTest, ListsTheInstalledSources) {
    ProgramRun run = Acquire("--list");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("AlphaProbe\n  Id:             0\n")) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("  Version:        2.3 \"probe\" (language 13, country 1)\n"));
    EXPECT_NE(std::string::npos, run.output.find("  Manufacturer:   Orvellux Test\n"));
    EXPECT_NE(std::string::npos, run.output.find("RefuseProbe\n"));
    EXPECT_NE(std::string::npos, run.output.find("Sources: "));
}

TEST_F(AcquireProgramTest, WritesEveryOfferedImageByEachMechanism) {
    for (const char* mechanism : {"native", "memory", "file"}) {
        ProgramRun run = Acquire("--source AlphaProbe --acquire --no-ui --mech " + std::string(mechanism) +
                                 " --timeout 20 --out \"" + outDir_ + "\"");
        ASSERT_TRUE(run.finished) << mechanism;
        EXPECT_EQ(0u, run.exitCode) << mechanism << "\n" << run.output;
        EXPECT_NE(std::string::npos, run.output.find("pending transfers: 0")) << run.output;
        EXPECT_NE(std::string::npos, run.output.find("2 image(s) written to")) << run.output;
        std::vector<std::string> expected = {"image_001.bmp", "image_002.bmp"};
        ASSERT_EQ(expected, OutFiles()) << mechanism;
        for (const std::string& name : expected) {
            HANDLE file = CreateFileA((outDir_ + "\\" + name).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, file);
            std::vector<unsigned char> contents(4096);
            DWORD got = 0;
            ReadFile(file, contents.data(), static_cast<DWORD>(contents.size()), &got, nullptr);
            CloseHandle(file);
            contents.resize(got);
            RgbImage image;
            std::string error;
            ASSERT_TRUE(ReadBitmapFile(contents.data(), contents.size(), &image, &error)) << error;
            ExpectProbePicture(image, std::string(mechanism) + " " + name);
        }
        EmptyOutDir();
    }
}

TEST_F(AcquireProgramTest, WithTheUserInterfaceWaitsForTheCloseRequest) {
    ProgramRun run = Acquire("--source AlphaProbe --acquire --mech native --timeout 20 --out \"" + outDir_ + "\"");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(0u, run.exitCode) << run.output;
    EXPECT_NE(std::string::npos, run.output.find("The source asks to be closed")) << run.output;
    EXPECT_EQ(2u, OutFiles().size());
}

TEST_F(AcquireProgramTest, ExplainsEachFailureAndExitsNonZero) {
    struct Case {
        std::string arguments;
        DWORD exitCode;
        const char* message;
    };
    const Case cases[] = {
        {"--source NoSuchProbe --caps", 1, "cannot open source \"NoSuchProbe\": TWRC_FAILURE, TWCC_NODS (3)"},
        {"--source RefuseProbe --caps", 1, "TWRC_FAILURE, TWCC_BUMMER (1)"},
        {"--source SilentProbe --acquire --no-ui --timeout 1 --out \"" + outDir_ + "\"", 1,
         "timed out after 1 s waiting for the source"},
        {"--source StallProbe --acquire --no-ui --timeout 1 --out \"" + outDir_ + "\"", 1,
         "gave up after 6 s: the source did not answer in time"},
        {"--frobnicate", 2, "unknown option \"--frobnicate\""},
    };
    for (const Case& check : cases) {
        ProgramRun run = Acquire(check.arguments);
        ASSERT_TRUE(run.finished) << check.arguments;
        EXPECT_EQ(check.exitCode, run.exitCode) << check.arguments << "\n" << run.output;
        EXPECT_NE(std::string::npos, run.output.find(check.message)) << run.output;
    }
}

}  // namespace
