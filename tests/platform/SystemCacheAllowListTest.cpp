// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SystemCacheAllowList.h"

#include <gtest/gtest.h>

using corvane::SystemCacheAllowList;

TEST(SystemCacheAllowList, OnlyRegularFilesOfTheListedCaches)
{
    for (const char* offered : {"man/index.db", "man/fr/index.db", "man/fr/cat1/ls.1.gz", "fontconfig/abc-le64.cache-8",
                                "apt/archives/tool_1.0_amd64.deb", "apt/pkgcache.bin", "apt/srcpkgcache.bin"}) {
        EXPECT_TRUE(SystemCacheAllowList::allows(offered, true)) << offered;
        EXPECT_FALSE(SystemCacheAllowList::allows(offered, false)) << offered << " as a folder or link";
    }
    for (const char* kept : {"debconf/config.dat",
                             "debconf/passwords.dat",
                             "bind/zone.db",
                             "private/state",
                             "ldconfig/aux-cache",
                             "man",
                             "apt",
                             "apt/archives",
                             "apt/archives/lock",
                             "apt/archives/partial/half.deb",
                             "apt/lock",
                             "apt/archives.deb",
                             "apt/other.bin",
                             "man/CACHEDIR.TAG",
                             "man/index.lock",
                             "fontconfig/Singleton-x",
                             "fontconfig/sub/file",
                             "man/a/b/c/deep.gz",
                             "manual/x",
                             "man/",
                             "man//x",
                             "man/./x",
                             "man/../debconf/x",
                             "man/a/../../debconf/config.dat",
                             "/man/x",
                             "fontconfig/..",
                             "apt/archives/../../debconf/config.dat",
                             "",
                             "/",
                             "man/fr/",
                             "manx/index.db"}) {
        EXPECT_FALSE(SystemCacheAllowList::allows(kept, true)) << kept;
    }
}
