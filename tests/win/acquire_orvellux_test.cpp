// The real path: acquire.exe, the source manager installed in the system folder, and the
// data source installed in the TWAIN tree of the prefix.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "acquire_program_run.h"
#include "bitmap_image.h"
#include "watched_test.h"

namespace {

class AcquireOrvelluxTest : public WatchedTest {
protected:
    static ProgramRun Acquire(const std::string& arguments) {
        ProgramRun run = RunProgram(ORV_ACQUIRE_EXE, "--timeout 60 " + arguments, 90000);
        run.output.erase(std::remove(run.output.begin(), run.output.end(), '\r'), run.output.end());
        return run;
    }
};

TEST_F(AcquireOrvelluxTest, PrintsTheIdentityAndEveryCapabilitysFourAnswers) {
    ProgramRun run = Acquire("--source Orvellux --caps");
    ASSERT_TRUE(run.finished);
    ASSERT_EQ(0u, run.exitCode) << run.output;
    EXPECT_EQ(0u, run.output.find("Orvellux\n  Id:             ")) << run.output.substr(0, 400);
    for (const char* line : {"  Version:        1.0 \"Oct, 1999\" (language 13, country 1)\n",
                             "  Protocol:       1.6\n", "  Groups:         0x3\n",
                             "  Manufacturer:   TWAIN Working Group\n", "  Product family: TWAIN\n",
                             "  Product name:   Orvellux\n", "Capabilities: 40\n"})
        EXPECT_NE(std::string::npos, run.output.find(line)) << line;

    // After the count, each capability is a header line followed by its four answers.
    std::istringstream lines(run.output.substr(run.output.find("Capabilities: 40\n") + 17));
    std::string line;
    int headers = 0, answers = 0;
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        if (line[0] != ' ') {
            ++headers;
            continue;
        }
        ++answers;
        EXPECT_EQ(std::string::npos, line.find("failed")) << line;
    }
    EXPECT_EQ(40, headers);
    EXPECT_EQ(4 * 40, answers);
    EXPECT_NE(std::string::npos,
              run.output.find("ICAP_XFERMECH (0x0103)\n"
                              "  QUERYSUPPORT  ONEVALUE UINT32 31 (GET SET GETDEFAULT GETCURRENT RESET)\n"
                              "  GET           ENUMERATION UINT16 [0, 1, 2] current #0 = 0, default #0 = 0\n"));
    EXPECT_NE(std::string::npos,
              run.output.find("  GET           RANGE FIX32 min -999.99998 max 1000 step 1000 default 0 current 0\n"));
}

TEST_F(AcquireOrvelluxTest, SetsAndResetsOneValueAndReportsARefusal) {
    ProgramRun run = Acquire("--source Orvellux --set ICAP_XFERMECH=2 --set ICAP_BRIGHTNESS=500 "
                             "--set CAP_XFERCOUNT=-1 --reset ICAP_XFERMECH");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(1u, run.exitCode) << run.output;
    for (const char* line : {"SET ICAP_XFERMECH = 2: done\n  now ONEVALUE UINT16 2\n",
                             "SET ICAP_BRIGHTNESS = 500: failed: TWRC_FAILURE, TWCC_BADVALUE (10)\n",
                             "SET CAP_XFERCOUNT = -1: done\n  now ONEVALUE INT16 -1\n",
                             "RESET ICAP_XFERMECH: ONEVALUE UINT16 0\n",
                             "acquire: not every capability change was accepted\n"})
        EXPECT_NE(std::string::npos, run.output.find(line)) << line << "\n" << run.output;
}

bool ReadImageFile(const std::string& path, RgbImage* image, std::string* error) {
    std::vector<unsigned char> contents;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) {
        *error = "no file " + path;
        return false;
    }
    fseek(file, 0, SEEK_END);
    contents.resize(ftell(file));
    fseek(file, 0, SEEK_SET);
    size_t got = fread(contents.data(), 1, contents.size(), file);
    fclose(file);
    return got == contents.size() && ReadBitmapFile(contents.data(), contents.size(), image, error);
}

// The simulated camera's picture has a red block in the top-left corner, a blue one in the
// bottom-right corner and a yellow second bar, so orientation and colour order both show.
void ExpectUprightTrueColours(const RgbImage& image, const std::string& where) {
    struct Probe {
        int x, y;
        int red, green, blue;
        const char* what;
    };
    const int w = image.width, h = image.height;
    const Probe probes[] = {{w / 16, h / 16, 255, 0, 0, "red block top left"},
                            {w - w / 16, h - h / 16, 0, 0, 255, "blue block bottom right"},
                            {w * 3 / 16, h / 4, 255, 255, 0, "yellow bar"}};
    for (const Probe& probe : probes) {
        const unsigned char* bgr = &image.pixels[(static_cast<size_t>(probe.y) * w + probe.x) * 3];
        EXPECT_NEAR(probe.blue, bgr[0], 40) << where << ": " << probe.what;
        EXPECT_NEAR(probe.green, bgr[1], 40) << where << ": " << probe.what;
        EXPECT_NEAR(probe.red, bgr[2], 40) << where << ": " << probe.what;
    }
}

TEST_F(AcquireOrvelluxTest, AcquiresAnUprightImageWithoutUserInterfaceByEachMechanism) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string outDir = std::string(temp) + "acquire_orvellux_test";
    const std::string image1 = outDir + "\\image_001.bmp";
    for (const char* mechanism : {"native", "memory", "file"}) {
        DeleteFileA(image1.c_str());
        ProgramRun run = Acquire("--source Orvellux --acquire --no-ui --mech " + std::string(mechanism) +
                                 " --out \"" + outDir + "\"");
        ASSERT_TRUE(run.finished) << mechanism;
        EXPECT_EQ(0u, run.exitCode) << mechanism << "\n" << run.output;
        EXPECT_NE(std::string::npos, run.output.find("  pending transfers: 0\n1 image(s) written")) << run.output;
        size_t sizeAt = run.output.find("Image 1: ");
        ASSERT_NE(std::string::npos, sizeAt) << run.output;
        int width = 0, height = 0;
        ASSERT_EQ(2, sscanf(run.output.c_str() + sizeAt, "Image 1: %d x %d", &width, &height));
        RgbImage image;
        std::string error;
        ASSERT_TRUE(ReadImageFile(image1, &image, &error)) << mechanism << ": " << error;
        EXPECT_EQ(width, image.width) << mechanism;
        EXPECT_EQ(height, image.height) << mechanism;
        ExpectUprightTrueColours(image, mechanism);
    }
    DeleteFileA(image1.c_str());
    RemoveDirectoryA(outDir.c_str());
}

}  // namespace
