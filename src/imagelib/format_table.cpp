// The graphic classes and file extensions the program registers at start, in their fixed order,
// and the order in which they leave at program end.
#include "image/bitmap.h"
#include "image/jpeg_image.h"
#include "imagelib/format_registry.h"
#include "imagelib/formats/autodesk.h"
#include "imagelib/formats/cut.h"
#include "imagelib/formats/eps.h"
#include "imagelib/formats/pcd.h"
#include "imagelib/formats/pcx.h"
#include "imagelib/formats/png_graphic.h"
#include "imagelib/formats/portable_map.h"
#include "imagelib/formats/psd.h"
#include "imagelib/formats/psp.h"
#include "imagelib/formats/rla.h"
#include "imagelib/formats/sgi.h"
#include "imagelib/formats/targa.h"
#include "imagelib/tiff/tiff_graphic.h"

namespace quillo {
namespace {

// Graphic classes of the framework that nothing in this program loads.
const TGraphicClass kIconClass("TIcon");
const TGraphicClass kMetafileClass("TMetafile");

struct Registration {
  const char* extension;
  const char* common_description;
  const char* individual_description;
  uint8_t kinds;
  const TGraphicClass& graphic_class;
};

}  // namespace

void RegisterFileFormats(TFileFormatList& list) {
  const Registration table[] = {
      {"bmp", "Windows bitmaps", "", fkRaster, ClassOf<TBitmap>()},
      {"ico", "Windows icons", "", fkRaster, kIconClass},
      {"wmf", "Windows metafiles", "", fkVector, kMetafileClass},
      {"emf", "Windows metafiles", "Windows enhanced meta files", fkVector, kMetafileClass},
      {"jfif", "JPG images", "JFIF images", fkRaster, ClassOf<TJPEGImage>()},
      {"jpg", "", "JPG images", fkRaster, ClassOf<TJPEGImage>()},
      {"jpe", "", "JPE images", fkRaster, ClassOf<TJPEGImage>()},
      {"jpeg", "", "JPEG images", fkRaster, ClassOf<TJPEGImage>()},
      {"rle", "Windows bitmaps", "Run length encoded Windows bitmaps", fkRaster,
       ClassOf<TBitmap>()},
      {"dib", "", "Device independant Windows bitmaps", fkRaster, ClassOf<TBitmap>()},
      {"win", "Truevision images", "", fkRaster, ClassOf<TTargaGraphic>()},
      {"vst", "", "", fkRaster, ClassOf<TTargaGraphic>()},
      {"vda", "", "", fkRaster, ClassOf<TTargaGraphic>()},
      {"tga", "", "", fkRaster, ClassOf<TTargaGraphic>()},
      {"icb", "", "", fkRaster, ClassOf<TTargaGraphic>()},
      {"tiff", "Tagged image file format images", "Macintosh TIFF images", fkRaster | fkMultiImage,
       ClassOf<TTIFFGraphic>()},
      {"tif", "", "PC TIF images", fkRaster | fkMultiImage, ClassOf<TTIFFGraphic>()},
      {"fax", "", "GFI fax images", fkRaster | fkMultiImage, ClassOf<TTIFFGraphic>()},
      {"eps", "Encapsulated Postscript images", "", fkRaster, ClassOf<TEPSGraphic>()},
      {"pcx", "ZSoft Paintbrush images", "", fkRaster, ClassOf<TPCXGraphic>()},
      {"pcc", "", "", fkRaster, ClassOf<TPCXGraphic>()},
      {"scr", "", "Word 5.x screen capture images", fkRaster, ClassOf<TPCXGraphic>()},
      {"rpf", "Alias/Wavefront images", "", fkRaster, ClassOf<TRLAGraphic>()},
      {"rla", "", "", fkRaster, ClassOf<TRLAGraphic>()},
      {"sgi", "SGI images", "SGI true color images", fkRaster, ClassOf<TSGIGraphic>()},
      {"rgba", "", "SGI true color images with alpha", fkRaster, ClassOf<TSGIGraphic>()},
      {"rgb", "", "SGI true color images", fkRaster, ClassOf<TSGIGraphic>()},
      {"bw", "", "SGI black/white images", fkRaster, ClassOf<TSGIGraphic>()},
      {"psd", "Photoshop images", "", fkRaster | fkLayered, ClassOf<TPSDGraphic>()},
      {"pdd", "", "", fkRaster | fkLayered, ClassOf<TPSDGraphic>()},
      {"ppm", "Portable map images", "Portable pixel map images", fkRaster, ClassOf<TPPMGraphic>()},
      {"pgm", "", "Portable gray map images", fkRaster, ClassOf<TPPMGraphic>()},
      {"pbm", "", "Portable bitmap images", fkRaster, ClassOf<TPPMGraphic>()},
      {"cel", "Autodesk images", "", fkRaster, ClassOf<TAutodeskGraphic>()},
      {"pic", "Autodesk images", "", fkRaster, ClassOf<TAutodeskGraphic>()},
      {"pcd", "Kodak Photo-CD images", "", fkRaster, ClassOf<TPCDGraphic>()},
      {"cut", "Dr. Halo images", "", fkRaster, ClassOf<TCUTGraphic>()},
      {"psp", "Paintshop Pro images", "", fkRaster | fkVector, ClassOf<TPSPGraphic>()},
      {"png", "Portable network graphic images", "", fkRaster, ClassOf<TPNGGraphic>()},
  };
  for (const Registration& r : table) {
    list.AddFormat(r.extension, r.common_description, r.individual_description, r.kinds, false,
                   r.graphic_class);
  }
}

void UnregisterFileFormats(TFileFormatList& list) {
  for (const TGraphicClass* whole :
       {&ClassOf<TPSPGraphic>(), &ClassOf<TPSDGraphic>(), &ClassOf<TTargaGraphic>(),
        &ClassOf<TTIFFGraphic>(), &ClassOf<TSGIGraphic>(), &ClassOf<TPCXGraphic>(),
        &ClassOf<TAutodeskGraphic>(), &ClassOf<TPCDGraphic>(), &ClassOf<TPPMGraphic>(),
        &ClassOf<TCUTGraphic>(), &ClassOf<TRLAGraphic>()}) {
    list.RemoveFormat("", *whole);
  }
  list.RemoveFormat("rle", ClassOf<TBitmap>());
  list.RemoveFormat("dib", ClassOf<TBitmap>());
  list.RemoveFormat("", ClassOf<TPNGGraphic>());
}

}  // namespace quillo
