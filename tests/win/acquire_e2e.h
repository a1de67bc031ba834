// End-to-end runs: acquire.exe, the source manager in the system folder, the data source in
// the TWAIN tree and the registered simulated camera, as installed in the test prefix. Each
// test gets an empty output folder and an empty still folder, in which the camera leaves a
// copy of every still it produces, so a transferred image can be compared with its still.
#ifndef ORVELLUX_ACQUIRE_E2E_H
#define ORVELLUX_ACQUIRE_E2E_H

#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <string>
#include <vector>

#include "acquire_program_run.h"
#include "bitmap_image.h"
#include "camera_driver.h"
#include "watched_test.h"

inline bool ReadImageFile(const std::string& path, RgbImage* image, std::string* error) {
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) {
        *error = "no file " + path;
        return false;
    }
    fseek(file, 0, SEEK_END);
    std::vector<unsigned char> contents(static_cast<size_t>(ftell(file)));
    fseek(file, 0, SEEK_SET);
    size_t got = fread(contents.data(), 1, contents.size(), file);
    fclose(file);
    if (got != contents.size()) {
        *error = "cannot read " + path;
        return false;
    }
    return ReadBitmapFile(contents.data(), contents.size(), image, error);
}

// The simulated camera's picture has a red block in the top-left corner, a blue one in the
// bottom-right corner and a yellow second bar, so orientation and colour order both show.
inline void ExpectUprightTrueColours(const RgbImage& image, const std::string& where) {
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

class AcquireE2eTest : public WatchedTest {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        base_ = std::string(temp) + "acquire_e2e";
        outDir_ = base_ + "\\out";
        stillDir_ = base_ + "\\stills";
        CreateDirectoryA(base_.c_str(), nullptr);
        FreshFolders();
        faults_.SetStillFolder(stillDir_);
    }

    // Empty output and still folders, for each run of a test that runs the tool again.
    void FreshFolders() {
        for (const std::string& folder : {outDir_, stillDir_}) {
            EmptyFolder(folder);
            CreateDirectoryA(folder.c_str(), nullptr);
        }
    }

    void TearDown() override {
        WatchedTest::TearDown();
        CameraFaults::ClearAll();
        for (const std::string& folder : {outDir_, stillDir_}) EmptyFolder(folder);
        RemoveDirectoryA(base_.c_str());
    }

    // The tool on the data source; arguments follow the output folder.
    ProgramRun Acquire(const std::string& arguments, DWORD limitMs = 120000) {
        std::string line = "--source Orvellux --acquire --timeout " + std::to_string(limitMs / 1000 - 30) +
                           " --out \"" + outDir_ + "\" " + arguments;
        ProgramRun run = RunProgram(ORV_ACQUIRE_EXE, line, limitMs);
        run.output.erase(std::remove(run.output.begin(), run.output.end(), '\r'), run.output.end());
        return run;
    }

    static std::vector<std::string> Files(const std::string& folder, const char* pattern) {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            names.push_back(folder + "\\" + found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string StillPath(int number) const {
        char name[32];
        snprintf(name, sizeof name, "\\still-%04d.bmp", number);
        return stillDir_ + name;
    }

    // The images written, in order, are exactly the camera's stills of these numbers (1 is
    // the first still of the run), pixel for pixel, upright and in true colours.
    void ExpectImagesAreStills(const ProgramRun& run, const std::vector<int>& stills, const std::string& where) {
        std::vector<std::string> images = Files(outDir_, "image_*.bmp");
        ASSERT_EQ(stills.size(), images.size()) << where << "\n" << run.output;
        for (size_t index = 0; index < images.size(); ++index) {
            RgbImage image, still;
            std::string error;
            ASSERT_TRUE(ReadImageFile(images[index], &image, &error)) << where << ": " << error;
            ASSERT_TRUE(ReadImageFile(StillPath(stills[index]), &still, &error)) << where << ": " << error;
            std::string what = where + ", image " + std::to_string(index + 1) + " against still " +
                               std::to_string(stills[index]);
            ASSERT_EQ(still.width, image.width) << what;
            ASSERT_EQ(still.height, image.height) << what;
            auto differ = std::mismatch(image.pixels.begin(), image.pixels.end(), still.pixels.begin());
            EXPECT_TRUE(differ.first == image.pixels.end())
                << what << ": first difference at byte " << (differ.first - image.pixels.begin());
            ExpectUprightTrueColours(image, what);
        }
    }

    int StillCount() const { return static_cast<int>(Files(stillDir_, "still-*.bmp").size()); }

    static void ExpectInOrder(const std::string& output, const std::vector<std::string>& lines) {
        size_t at = 0;
        for (const std::string& line : lines) {
            size_t found = output.find(line, at);
            ASSERT_NE(std::string::npos, found) << "\"" << line << "\" missing or out of order in\n" << output;
            at = found + line.size();
        }
    }

    std::string base_, outDir_, stillDir_;
    CameraFaults faults_;

private:
    static void EmptyFolder(const std::string& folder) {
        for (const std::string& file : Files(folder, "*.*")) DeleteFileA(file.c_str());
        RemoveDirectoryA(folder.c_str());
    }
};

#endif
