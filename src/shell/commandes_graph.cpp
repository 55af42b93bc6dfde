// GRAPH, IMAGE and the viewer's two input handlers.
#include <cstdint>
#include <string>

#include "shell/avertissements.h"
#include "shell/commandes.h"
#include "shell/commandes_fichiers.h"
#include "shell/edition.h"
#include "shell/messages.h"
#include "shell/mots.h"
#include "shell/options.h"
#include "ternex/ternex.h"
#include "ternex2/ternex2.h"
#include "viewer/icone.h"
#include "viewer/scene.h"

namespace {

constexpr double kDemiPi = 1.5707963267948966;

void InitialiserVue(int, intptr_t) { InitialiserGL(); }

void SupprimerTexturesAppel(int) { SupprimerTextures(); }

// Window thread: the view follows the pointer, buttons held or not; the
// wheel zooms.
void GererSouris(ternex2::MouseEvent event, intptr_t) {
    if (event.action == 2) {
        angleY = event.wx * kDemiPi;
        angleX = event.wy * kDemiPi;
    } else if (event.action == 3) {
        ZoomerVue(event.wheel);
    }
    DessinerScene();
}

// Window thread: what is typed in the viewer goes to the command line.
void GererClavier(int, int code, intptr_t user) {
    reinterpret_cast<ternex_console*>(user)->post_char(static_cast<char>(code));
}

// The labels are read here, on the command thread, once the window exists:
// their error line then comes in order with the command's output, and only
// when there is a viewer to draw them. The window's init follows at once, so
// it still runs before any other request.
void OuvrirGraphique() {
    if (!ogl_open(600, 600, nullptr)) {
        Signaler(ogl_last_error() == ternex2::error_no_display ? Msg::PasDAffichage : Msg::PasDOpenGL);
        return;
    }
    ogl_support* fenetre = ogl_instance();
    if (!LireTextures()) SignalerEchec();
    fenetre->run_init(InitialiserVue, 0);
    fenetre->set_world_window(-1.1, 1.1, 1.1, -1.1);
    fenetre->set_title("Glomerix");
    EnregistrerIcone();
    fenetre->set_icon(kIconeProgramme, false);
    fenetre->set_mouse_handler(GererSouris, 0);
    fenetre->set_key_handler(GererClavier, reinterpret_cast<intptr_t>(&console));
    ogl_set_paint(DessinerScene);
}

// The typed name, "glomerix.png" when empty, with ".png" added unless it
// ends so already (in any case).
std::string NomImage(std::string nom) {
    if (nom.empty()) return "glomerix.png";
    std::string fin = nom.size() >= 4 ? nom.substr(nom.size() - 4) : std::string();
    for (char& c : fin) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return fin == ".png" ? nom : nom + ".png";
}

}  // namespace

// ---------------------------------------------------------------------------
// Commands
// ---------------------------------------------------------------------------

void CommandeGraph(const Ligne& ligne) {
    if (ligne.count >= 2 && ligne[1] == mot::kOff) {
        FermerGraphique();
    } else if (ligne.count < 2 || ligne[1] == mot::kOn) {
        if (ogl_instance() != nullptr) {
            RafraichirGraphique();
        } else {
            OuvrirGraphique();
        }
    } else {
        SignalerSansEffet(ligne, 1, "ON ou OFF", "la commande ne fait rien");
    }
}

// The picture is drawn off-screen and read back on the window thread while
// this thread waits, without verrouEtat: the frame takes it.
void CommandeImage(const Ligne& ligne) {
    // The side in pixels, the window's without one.
    long long taille = 0;
    if (ligne.count >= 2 && !ligne.texte(1).empty() &&
        (!LireEntierLong(ligne, 1, kTailleImageMax, &taille) || taille < 1)) {
        Signaler(Msg::ParametreNonValide);
        return;
    }
    if (ogl_instance() == nullptr) {
        Signaler(Msg::GraphNecessaire);
        return;
    }
    if (!options.silencieux) console.write("Nom du fichier : ");
    const std::string nom = NomImage(LireNomFichier());
    ImageVue image;
    if (!LireImageVue(image, static_cast<int>(taille)) || !EcrireImagePng(NomSysteme(nom).c_str(), image)) {
        Signaler(Msg::ImageNonEnregistree, {nom});
        return;
    }
    console.write("Image enregistrée dans le fichier ").write(nom.c_str()).write(".\n");
}

// The caller must not hold verrouEtat: ogl_close waits for the window thread,
// which may be waiting for that lock in the middle of a frame.
void FermerGraphique() {
    if (ogl_instance() == nullptr) return;
    ogl_post_call(SupprimerTexturesAppel);
    ogl_close();
}
