// The viewer's picture drawn off-screen at the size asked, and written as a PNG file.
#include <GL/gl.h>
#include <png.h>

#include <chrono>
#include <cstring>
#include <future>
#include <memory>
#include <utility>

#include "ternex2/ternex2.h"
#include "viewer/scene.h"

ImageVue CapturerVue(int taille) {
    ImageVue image;
    int largeur = 0, hauteur = 0;
    if (!ogl_client_size(largeur, hauteur)) return image;
    if (taille > 0) largeur = hauteur = taille;
    if (!ogl_begin_offscreen(largeur, hauteur, kEchantillonsImage)) return image;
    const bool dessinee = DessinerImage();
    std::vector<unsigned char> rgb;
    if (!ogl_end_offscreen(rgb) || !dessinee) return image;
    image.rgb = std::move(rgb);
    image.largeur = largeur;
    image.hauteur = hauteur;
    return image;
}

bool LireImageVue(ImageVue& image, int taille) {
    ogl_support* fenetre = ogl_instance();
    if (fenetre == nullptr) return false;
    // Shared with the request: a request dropped unrun (the window thread
    // ended) breaks the promise rather than leaving the wait hanging.
    auto promesse = std::make_shared<std::promise<ImageVue>>();
    std::future<ImageVue> resultat = promesse->get_future();
    fenetre->post([promesse, taille] { promesse->set_value(CapturerVue(taille)); });
    // A 4096 picture takes seconds on a software renderer.
    if (resultat.wait_for(std::chrono::seconds(120)) != std::future_status::ready) return false;
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
