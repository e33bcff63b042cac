#include "preview/model_draw_win.h"

#include "app/app_state.h"
#include "preview/fan_run.h"
#include "preview/msm_layout.h"

#include <cstring>

HRESULT DrawModel(IDirect3DDevice7* device, const BYTE* modelImage, std::size_t modelImageSize) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColour, kClearDepth, 0);
    if (FAILED(device->BeginScene())) {
        return E_FAIL;
    }
    // The walk allocates nothing: vertices go to the device straight out of
    // the image (unaligned, which the device accepts since it copies them).
    // Each fan hands over only the run of vertices its indices span: the
    // device copies and transforms every vertex it is given, on every call.
    const std::span<const std::uint8_t> image(modelImage, modelImageSize);
    const std::optional<MsmLayout> head = WalkMsmHead(image);
    if (head) {
        auto* vertices = const_cast<BYTE*>(modelImage + head->verticesOffset);
        // Consecutive groups of one texture set it once.
        IDirectDrawSurface7* current = nullptr;
        bool textureSet = false;
        FanRun run;
        ForEachDrawnGroup(image, *head, [&](unsigned, const MsmGroup& group) {
            if (!MakeFanRun(image, group, run)) {
                return;
            }
            // A texture index without a slot draws the fan untextured.
            IDirectDrawSurface7* texture = nullptr;
            if (group.textureIndex >= 0 && group.textureIndex < kTextureSlots) {
                texture = appState.textureTable[group.textureIndex];
            }
            if (!textureSet || texture != current) {
                device->SetTexture(0, texture);
                current = texture;
                textureSet = true;
            }
            device->DrawIndexedPrimitive(
                D3DPT_TRIANGLEFAN, kMsmVertexFormat,
                vertices + static_cast<std::size_t>(run.first) * kMsmVertexBytes, run.count,
                run.indices, static_cast<DWORD>(group.indexCount), D3DDP_WAIT);
        });
    }
    device->EndScene();
    return 0;
}
