// The four 16 x 16 images of the folder tree, drawn here in code. They are painted on a silver
// background (192, 192, 192), which then becomes transparent, as in an image list with a mask
// colour.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <array>

class ImageList {
public:
    // Image indices, 1-based.
    static constexpr int FolderClosed = 1;
    static constexpr int FolderOpen = 2;
    static constexpr int Document = 3;
    static constexpr int ReplacedDocument = 4;
    static constexpr int Count = 4;

    ImageList();
    // `index` from 1 to Count.
    const QIcon& Icon(int index) const;
    const QPixmap& Pixmap(int index) const;

private:
    std::array<QPixmap, Count> pixmaps_;
    std::array<QIcon, Count> icons_;
};

// The program's own icon, a gold archive box with papers in it and a "V" on its front on a blue
// tile, drawn at `size` x `size` pixels. It needs no application object, so the build can make
// the installed PNG files with it.
QImage DrawProgramIcon(int size);
// The window icon: the same drawing in the sizes a window system asks for.
QIcon ProgramIcon();
