#include "driver/driver.h"

#include <gtest/gtest.h>

struct NameCase {
    const char* in;
    const char* out; // nullptr: no output name given
    const char* indatname;
    const char* outdatname;
    bool derived;
};

// Every "." test looks at the whole name, folder part included, and the cut is
// at the first ".".
TEST(DeriveNames, CompletesAndDerives)
{
    const NameCase cases[] = {
        {"cube", nullptr, "cube.x", "cube.orf", true},
        {"cube.x", nullptr, "cube.x", "cube.orf", true},
        {"cube.obj", nullptr, "cube.obj", "cube.orf", true},
        {"old.files\\cube", nullptr, "old.files\\cube", "old.orf", true},
        {"..\\cube", nullptr, "..\\cube", ".orf", true},
        {"my.dir\\cube.x", nullptr, "my.dir\\cube.x", "my.orf", true},
        {"-h", nullptr, "-h.x", "-h.orf", true},
        {"cube", "out", "cube.x", "out.orf", false},
        {"cube", "out.bin", "cube.x", "out.bin", false},
        {"cube", "my.dir\\out", "cube.x", "my.dir\\out", false},
        {"", nullptr, ".x", ".orf", true},
    };
    for (const NameCase& c : cases) {
        std::string in, out;
        EXPECT_EQ(DeriveNames(c.in, c.out, in, out), c.derived) << c.in;
        EXPECT_EQ(in, c.indatname) << c.in;
        EXPECT_EQ(out, c.outdatname) << c.in;
    }
}

TEST(DeriveNames, NamesLongerThanAnyFixedBufferStayWhole)
{
    std::string longname(5000, 'a');
    std::string in, out;
    DeriveNames(longname.c_str(), nullptr, in, out);
    EXPECT_EQ(in, longname + ".x");
    EXPECT_EQ(out, longname + ".orf");
}
