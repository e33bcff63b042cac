#include "preview/model_draw_win.h"

#include "app/app_state.h"
#include "preview/msm_layout.h"

HRESULT DrawModel(IDirect3DDevice7* device, const BYTE* modelImage, std::size_t modelImageSize) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, kClearDepth, 0);
    if (FAILED(device->BeginScene())) {
        return E_FAIL;
    }
    // The walk allocates nothing: vertices and index lists go to the device
    // straight out of the image. The fields are unaligned, which the device
    // accepts since it copies them.
    const std::span<const std::uint8_t> image(modelImage, modelImageSize);
    const std::optional<MsmLayout> head = WalkMsmHead(image);
    if (head) {
        auto* vertices = const_cast<BYTE*>(modelImage + head->verticesOffset);
        std::size_t at = head->groupsOffset;
        for (unsigned g = 0; g < head->groupCount; ++g) {
            const std::optional<MsmGroup> group = ReadMsmGroup(image, at);
            if (!group) {
                break;
            }
            at = group->next;
            // A fan needs three indices for one triangle, and every index
            // must name a vertex of the array.
            if (group->indexCount < 3 ||
                !MsmGroupIndicesInRange(image, *group, head->vertexCount)) {
                continue;
            }
            // A texture index without a slot draws the fan untextured.
            IDirectDrawSurface7* texture = nullptr;
            if (group->textureIndex >= 0 && group->textureIndex < kTextureSlots) {
                texture = appState.textureTable[group->textureIndex];
            }
            device->SetTexture(0, texture);
            auto* indices =
                reinterpret_cast<WORD*>(const_cast<BYTE*>(modelImage + group->indicesOffset));
            device->DrawIndexedPrimitive(D3DPT_TRIANGLEFAN, kMsmVertexFormat, vertices,
                                         head->vertexCount, indices,
                                         static_cast<DWORD>(group->indexCount), D3DDP_WAIT);
        }
    }
    device->EndScene();
    return 0;
}
