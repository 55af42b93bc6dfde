// The viewer's picture read back from the GL frame, and written as a PNG file.
#include <GL/gl.h>
#include <png.h>

#include <chrono>
#include <cstring>
#include <future>
#include <memory>

#include "ternex2/ternex2.h"
#include "viewer/scene.h"

ImageVue CapturerVue() {
    ImageVue image;
    if (!DessinerImage()) return image;
    GLint vue[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, vue);
    const int largeur = vue[2], hauteur = vue[3];
    if (largeur <= 0 || hauteur <= 0) return image;
    // The back buffer, before it is presented: the front one of a covered
    // window need not hold the picture.
    std::vector<unsigned char> lu(static_cast<size_t>(largeur) * hauteur * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, largeur, hauteur, GL_RGB, GL_UNSIGNED_BYTE, lu.data());
    const bool lecture = glGetError() == GL_NO_ERROR;
    ogl_swap_buffers();
    if (!lecture) return image;
    // GL gives the bottom row first.
    const size_t ligne = static_cast<size_t>(largeur) * 3;
    image.rgb.resize(lu.size());
    for (int y = 0; y < hauteur; ++y) {
        std::memcpy(&image.rgb[static_cast<size_t>(y) * ligne], &lu[static_cast<size_t>(hauteur - 1 - y) * ligne],
                    ligne);
    }
    image.largeur = largeur;
    image.hauteur = hauteur;
    return image;
}

bool LireImageVue(ImageVue& image) {
    ogl_support* fenetre = ogl_instance();
    if (fenetre == nullptr) return false;
    // Shared with the request: a request dropped unrun (the window thread
    // ended) breaks the promise rather than leaving the wait hanging.
    auto promesse = std::make_shared<std::promise<ImageVue>>();
    std::future<ImageVue> resultat = promesse->get_future();
    fenetre->post([promesse] { promesse->set_value(CapturerVue()); });
    if (resultat.wait_for(std::chrono::seconds(30)) != std::future_status::ready) return false;
    try {
        image = resultat.get();
    } catch (const std::future_error&) {
        return false;
    }
    return !image.rgb.empty();
}

bool EcrireImagePng(const char* chemin, const ImageVue& image) {
    if (image.rgb.size() != static_cast<size_t>(image.largeur) * image.hauteur * 3 || image.rgb.empty()) return false;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.largeur);
    png.height = static_cast<png_uint_32>(image.hauteur);
    png.format = PNG_FORMAT_RGB;
    // On failure libpng removes the file it began.
    const int ecrit = png_image_write_to_file(&png, chemin, 0, image.rgb.data(), image.largeur * 3, nullptr);
    png_image_free(&png);
    return ecrit != 0;
}
