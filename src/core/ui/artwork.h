#pragma once
// The program's bitmaps from the Qt resources: image strips cut into equal squares, with
// magenta (255, 0, 255) as the transparent colour.

#include <QImage>
#include <QList>
#include <QPixmap>
#include <QString>

namespace vorlix::ui {

// Makes the program's Qt resources available (safe to call more than once).
void Load_Resources();

// The picture with every magenta pixel made transparent.
QPixmap With_Transparency(const QImage& image);

// The images of a strip, left to right, each `size` x `size` pixels ("TOOLBAR": 25, "TREE": 16).
// Empty when the resource cannot be read.
QList<QPixmap> Images_From_Strip(const QString& resource, int size);

// The pictures of the two printing commands, which the strip has no room for: a printer, and for
// the setup a printer with a small gear wheel. 25 x 25 pixels.
QPixmap Printer_Image(bool for_setup);

// Resource names.
inline const QString Toolbar_Resource = QStringLiteral(":/TOOLBAR.bmp");
inline const QString Tree_Resource = QStringLiteral(":/TREE.bmp");
inline const QString Logo_Resource = QStringLiteral(":/logo.png");

// Positions of the pictures in the "TOOLBAR" strip.
enum TToolbar_Image {
  Image_Create_Group = 0,         // Create Group
  Image_Delete = 1,               // Delete
  Image_Map_Properties = 2,       // Map Properties
  Image_Launch_Map = 3,           // Launch Map
  Image_Create_Arena_File = 4,    // Create Arena File
  Image_Activate_Arena_File = 5,  // Activate Arena File
  Image_Remove_Arena_File = 6,    // Remove Arena File
  Image_Import_Arena_File = 7,    // Import Arena File
  Image_Info = 8,                 // Info
};

// Positions of the pictures in the "TREE" strip.
enum TTree_Image { Image_Group = 0, Image_Map = 1 };

}  // namespace vorlix::ui
