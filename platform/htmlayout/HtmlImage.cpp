#include "platform/htmlayout/HtmlImage.h"

#include <wincodec.h>

#include "core/base/Handles.h"
#include "core/base/Logger.h"

namespace hl {

namespace {
// Larger pictures are refused rather than decoded into hundreds of megabytes.
constexpr UINT kMaxSide = 8192;
}  // namespace

ImageData DecodeImage(const BYTE* bytes, size_t size) {
    ImageData image;
    if (!bytes || size == 0 || size > 64 * 1024 * 1024) return image;
    CComInit com;
    CComPtr<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                factory.outVoid())))
        return image;
    CComPtr<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes), static_cast<DWORD>(size))))
        return image;
    CComPtr<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr, WICDecodeMetadataCacheOnDemand, decoder.out())))
        return image;
    CComPtr<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder->GetFrame(0, frame.out()))) return image;
    CComPtr<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom)))
        return image;
    UINT width = 0, height = 0;
    if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > kMaxSide ||
        height > kMaxSide) {
        LogWriteFormat(L"HTMLayout: picture of %u x %u refused", width, height);
        return image;
    }
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size() * 4),
                                     reinterpret_cast<BYTE*>(pixels.data()))))
        return image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.pixels = std::move(pixels);
    return image;
}

}  // namespace hl
