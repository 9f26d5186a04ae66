#pragma once
// A second start on Windows: the running window of this tool or a sibling is
// found by its window class and brought forward, as the sibling tools do it.
namespace brindle {

// Brings the first top-level window found of the classes in
// kWindowClassNames (in that order) to the front, restored if minimised.
// False when there is none.
bool ActivateWindowByClass();

}  // namespace brindle
