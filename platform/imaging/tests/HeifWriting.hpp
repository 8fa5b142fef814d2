#pragma once

#include <cstdint>
#include <vector>

#include <libheif/heif.h>

namespace keepsift::testing {

inline heif_error collectEncoded(heif_context*, const void* data, size_t size, void* userdata) {
    auto* bytes = static_cast<std::vector<std::uint8_t>*>(userdata);
    const auto* start = static_cast<const std::uint8_t*>(data);
    bytes->insert(bytes->end(), start, start + size);
    return {heif_error_Ok, heif_suberror_Unspecified, ""};
}

// A width x height picture, red on the left half and blue on the right, as HEIC (or AVIF).
inline std::vector<std::uint8_t> encodedHeif(int width, int height,
                                             heif_compression_format format) {
    std::vector<std::uint8_t> bytes;
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* image = nullptr;
    if (heif_context_get_encoder_for_format(context, format, &encoder).code == heif_error_Ok &&
        heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image)
                .code == heif_error_Ok) {
        heif_image_add_plane(image, heif_channel_interleaved, width, height, 8);
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* pixel = plane + y * stride + x * 3;
                bool left = x < width / 2;
                pixel[0] = left ? 220 : 20;
                pixel[1] = 20;
                pixel[2] = left ? 20 : 220;
            }
        heif_encoder_set_lossy_quality(encoder, 90);
        heif_context_encode_image(context, image, encoder, nullptr, nullptr);
        heif_writer writer{1, collectEncoded};
        heif_context_write(context, &writer, &bytes);
    }
    if (image) heif_image_release(image);
    if (encoder) heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

} // namespace keepsift::testing
