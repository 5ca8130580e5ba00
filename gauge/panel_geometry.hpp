#pragma once

// Where the main window's three pictures lie on one another, in screen pixels. The artwork
// generator draws them to these sizes and places and the window shows them there, so the face
// covers the very panel pixels it was drawn on and the lamp the very face pixels.
namespace merolan {

struct PixelPoint {
    int x, y;
};

struct PixelSize {
    int width, height;
};

// The front panel, shown from the top left of the panel's client area.
inline constexpr PixelSize kPanelPicture{996, 622};

// The gauge face, in the panel's meter window: clearing it restores the panel's own pixels.
inline constexpr PixelSize kFacePicture{528, 222};
inline constexpr PixelPoint kFaceOnPanel{117, 99};

// The warning lamp above the needle's pivot, drawn on the face it covers. The box showing it
// is a row shorter; that row is bare face, the same pixels the face shows below the box.
inline constexpr PixelSize kLampPicture{67, 68};
inline constexpr PixelPoint kLampOnFace{228, 144};

} // namespace merolan
