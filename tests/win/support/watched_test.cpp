#include "watched_test.h"

SeenBox WatchedTest::ExpectBox(const std::string& caption, const std::string& text, DWORD timeoutMs) {
    SeenBox box = {};
    if (!boxes_.Take(&box, timeoutMs)) {
        ADD_FAILURE() << "no message box \"" << caption << "\" / \"" << text << "\" within "
                      << timeoutMs << " ms";
        return box;
    }
    EXPECT_EQ(caption, box.caption);
    EXPECT_EQ(text, box.text);
    return box;
}

void WatchedTest::TearDown() {
    // Give a box raised at the very end a moment to be seen.
    Sleep(50);
    for (const SeenBox& box : boxes_.Untaken())
        ADD_FAILURE() << "unexpected message box \"" << box.caption << "\": " << box.text;
}
