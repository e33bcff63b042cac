// The textures a catalogue's pictures are drawn with: each decoded once while
// it is in use, the least recently used given up beyond the budget.
#include "render/piece_picture.h"

#include "builders/piece_files.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

namespace {

TEST(RenderTextureCache, KeepsTheTexturesLastUsedWithinItsBudget) {
    ScratchFolder folder;
    for (const char* name : {"a.txr", "b.txr", "c.txr"}) {
        WriteBytes(folder.File(name), SolidTxr(0x102030, 2));
    }
    WriteBytes(folder.File("bad.txr"), Bytes(8, 0));
    const Result<CatalogueIndex> catalogue =
        OpenCatalogue(folder.File(""), folder.File(""), folder.File(""));
    ASSERT_TRUE(catalogue);
    TextureFolderResolver resolver(catalogue->textures);
    const PieceTexture a = resolver("a.bmp"), b = resolver("b.bmp"), c = resolver("c.bmp");
    // Room for two pictures of 2 x 2 pixels (12 bytes each).
    RenderTextureCache cache(*catalogue, 24);
    const auto first = cache.Get(a);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->rgb,
              (Bytes{0x10, 0x20, 0x30, 0x10, 0x20, 0x30, 0x10, 0x20, 0x30, 0x10, 0x20, 0x30}));
    EXPECT_EQ(cache.Get(a), first) << "decoded once";
    const auto second = cache.Get(b);
    EXPECT_EQ(cache.Get(a), first) << "a, used again, is the newest";
    cache.Get(c); // over the budget: b, the least recently used, goes
    EXPECT_EQ(cache.Get(a), first);
    EXPECT_NE(cache.Get(b), second) << "b decoded again";
    EXPECT_EQ(cache.Get(resolver("bad.bmp")), nullptr) << "an unusable texture: an empty slot";
    EXPECT_EQ(cache.Get(resolver("none.bmp")), nullptr);
}

} // namespace
