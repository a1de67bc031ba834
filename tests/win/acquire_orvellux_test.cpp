// The real path: acquire.exe, the source manager installed in the system folder, and the
// data source installed in the TWAIN tree of the prefix.
#include <windows.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "acquire_program_run.h"
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

}  // namespace
