#include "adapters/imgui/ui_frame.h"

namespace vora {

void copyDrawData(const ImDrawData& data, UiFrame& frame) {
  frame.displaySize = data.DisplaySize;
  frame.framebufferScale = data.FramebufferScale;
  frame.vertices.clear();
  frame.indices.clear();
  frame.lists.clear();
  frame.commands.clear();
  for (int n = 0; n < data.CmdListsCount; ++n) {
    const ImDrawList& src = *data.CmdLists[n];
    UiList list;
    list.vertexStart = static_cast<unsigned>(frame.vertices.size());
    list.vertexCount = static_cast<unsigned>(src.VtxBuffer.Size);
    list.indexStart = static_cast<unsigned>(frame.indices.size());
    list.indexCount = static_cast<unsigned>(src.IdxBuffer.Size);
    list.commandStart = static_cast<unsigned>(frame.commands.size());
    frame.vertices.insert(frame.vertices.end(), src.VtxBuffer.begin(), src.VtxBuffer.end());
    frame.indices.insert(frame.indices.end(), src.IdxBuffer.begin(), src.IdxBuffer.end());
    for (const ImDrawCmd& cmd : src.CmdBuffer) {
      if (cmd.UserCallback != nullptr || cmd.ElemCount == 0) continue;
      // Clip rectangles arrive in ImGui's display space; make them relative to its origin.
      const ImVec4 clip{cmd.ClipRect.x - data.DisplayPos.x, cmd.ClipRect.y - data.DisplayPos.y,
                        cmd.ClipRect.z - data.DisplayPos.x, cmd.ClipRect.w - data.DisplayPos.y};
      frame.commands.push_back(UiCommand{clip, reinterpret_cast<std::uintptr_t>(cmd.TextureId),
                                         cmd.ElemCount, cmd.IdxOffset});
    }
    list.commandCount = static_cast<unsigned>(frame.commands.size()) - list.commandStart;
    frame.lists.push_back(list);
  }
}

}  // namespace vora
