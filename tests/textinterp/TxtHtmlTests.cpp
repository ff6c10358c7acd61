// The text interpreter: which entries are text files.
#include <gtest/gtest.h>

#include "textinterp/VTR_TXTHTML.h"

TEST(IsTextFile, LooksOnlyAtTheLastThreeCharactersIgnoringCase) {
    for (const char* name :
         {"Data\\game.INI", "a.Txt", "b.HTM", "c.html", "d\\menu.wnd", "e_txt", "ini", "f.xhtml"})
        EXPECT_TRUE(VTR_TXTHTML::IsTextFile(name)) << name;
    for (const char* name : {"a.ht", "b.csf", "tx", "", "d.txt.bak", "e.in"})
        EXPECT_FALSE(VTR_TXTHTML::IsTextFile(name)) << name;
}
