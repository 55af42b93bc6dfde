// Every message that says a command was refused, failed, or was not taken as
// typed: refusals and failures on standard output, warnings on standard
// error. Each row says whether it counts as an error (exit status 1 under
// --strict); Signaler (messages.cpp) writes a row and is the one place that
// reads that column. "%s" marks where the words of the case go, in order.
// Header only: the tests walk kMessages.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

enum class Msg : int {
    // Standard output.
    CommandeInconnue,
    ParametreNonValide,
    AucuneAide,
    AucunePosition,
    NomFichierNonValide,
    EcritureIncomplete,
    FacesOuAretes,
    MaximumDepasse,
    ModeNonValide,
    GraphNecessaire,
    PasDAffichage,
    PasDOpenGL,
    ImageNonEnregistree,
    ProgrammeLineaire,
    BaseIndisponible,
    BaseNonSupprimee,
    SansBase,
    CatalogueVide,
    CatalogueDesactive,
    MinimumAbsent,
    // Standard error, after "Attention : ".
    IterationsHorsBornes,
    ParticulesHorsBornes,
    TropDeChiffres,
    PasUnReel,
    FormeReelle,
    MotNonCompris,
    MotEnTrop,
    ParametreManquant,
    LigneTropLongue,
    NomTropLong,
    FichierRefuse,
    LignesIgnorees,
    LectureArretee,
    ParticulesInchangees,
    PositionsGardees,
    PositionsRamenees,
    Nombre
};

struct Message {
    Msg cle;
    bool avertissement;  // standard error, after "Attention : "
    bool erreur;         // exit status 1 under --strict
    const char* texte;
};

inline constexpr Message kMessages[] = {
    {Msg::CommandeInconnue, false, true, "Commande inconnue.\n"},
    {Msg::ParametreNonValide, false, true, "Paramètre non valide.\n"},
    {Msg::AucuneAide, false, true,
     "Commande inconnue ou aucune aide détaillé n'est disponible pour cette commande.\n\n"},
    {Msg::AucunePosition, false, true,
     "Aucune position enregistrée pour ce nombre de particules, ou le fichier n'était pas valide.\n"},
    {Msg::NomFichierNonValide, false, true, "Erreur : le nom de fichier n'est pas valide.\n"},
    {Msg::EcritureIncomplete, false, true, "Erreur en écriture du fichier %s : il est incomplet.\n"},
    {Msg::FacesOuAretes, false, true, "Vous devez donner FACES ou areteS en paramètre à la commande.\n"},
    {Msg::MaximumDepasse, false, true, "Impossible d'ajouter des particules, le maximum est dépassé.\n"},
    {Msg::ModeNonValide, false, true,
     "Ceci n'est pas un mode valide pour le programme. Appeler MODE sans arguments pour connaitre la liste des "
     "modes disponibles.\n"},
    {Msg::GraphNecessaire, false, true, "Le graph doit être affiché pour pouvoir effectuer cette commande.\n"},
    {Msg::PasDAffichage, false, true, "Impossible d'ouvrir la fenêtre graphique : aucun affichage disponible.\n"},
    {Msg::PasDOpenGL, false, true, "Impossible d'ouvrir la fenêtre graphique : OpenGL n'est pas disponible.\n"},
    {Msg::ImageNonEnregistree, false, true, "Erreur : impossible d'enregistrer l'image dans le fichier %s.\n"},
    {Msg::ProgrammeLineaire, false, true, "Le programme linéaire n'a pas pu être résolu.\n"},
    {Msg::BaseIndisponible, false, true,
     "\nErreur : impossible d'initialiser la base de données, le logiciel peut tout de même être utilisé, mais "
     "les résultat ne seront pas sauvegardé. Pour plus d'information, contactez moi (%s) en m'indiquant le "
     "numéro de l'erreur ainsi que des informations sur votre système.\n"},
    {Msg::BaseNonSupprimee, false, true, "La base de données du programme n'a pas pu être supprimée.\n"},
    // Asked for: a run without a database has none to delete.
    {Msg::SansBase, false, false, "Le programme fonctionne sans base de données : aucune n'est supprimée.\n"},
    {Msg::CatalogueVide, false, true,
     "Aucun minimum au catalogue pour ce nombre de particules et cet exposant : EXPLORER le remplit.\n"},
    // Asked for: the switch says so; not an error.
    {Msg::CatalogueDesactive, false, false,
     "Le catalogue des minima est désactivé : EXPLORER ne le remplit pas. MODE MINIMA ON le rétablit.\n"},
    {Msg::MinimumAbsent, false, true, "Aucun minimum de rang %s au catalogue, qui en garde %s.\n"},
    {Msg::IterationsHorsBornes, true, true, "%s n'est pas un nombre entre 1 et 9999, %s effectue %s."},
    {Msg::ParticulesHorsBornes, true, true, "%s n'est pas un nombre entre 3 et 9999, NB met %s particules."},
    // No full stop after a number: the console writes 1.0 as "1.".
    {Msg::TropDeChiffres, true, true, "plus de 4 chiffres après le point dans \"%s\", %s prend la valeur %s"},
    {Msg::PasUnReel, true, true, "\"%s\" n'est pas un nombre de la forme a.b, %s prend la valeur %s"},
    {Msg::FormeReelle, true, true, "\"%s\" %s : un nombre se tape sous la forme a.b, par exemple %s."},
    {Msg::MotNonCompris, true, true, "%s n'est pas compris, %s attend ici %s ; %s."},
    {Msg::MotEnTrop, true, true, "%s est en trop, %s l'ignore."},
    {Msg::ParametreManquant, true, true, "%s attend %s ; la commande ne fait rien."},
    {Msg::LigneTropLongue, true, true, "ligne de plus de %s caractères refusée, rien n'a été exécuté."},
    {Msg::NomTropLong, true, true, "nom de fichier de plus de %s caractères refusé."},
    // CHARGER FICHIER: why a file is refused (the command's message follows),
    // and what a file taken did (the reading its format has always had, or
    // the one of XYZ, CSV and columns): told, not errors.
    {Msg::FichierRefuse, true, true, "%s refusé : %s ; rien n'a changé."},
    {Msg::LignesIgnorees, true, false, "%s : lignes ignorées : %s (illisibles, ou d'un indice hors de 0 à %s)."},
    {Msg::LectureArretee, true, false, "%s : plus de %s lignes, la suite n'est pas lue."},
    {Msg::ParticulesInchangees, true, false,
     "%s : particules absentes du fichier, qui gardent leur position : %s sur %s."},
    {Msg::PositionsGardees, true, false, "%s : positions hors de la sphère unité, prises telles quelles : %s."},
    {Msg::PositionsRamenees, true, false, "%s : positions hors de la sphère unité, ramenées sur elle : %s."},
};

constexpr bool RangeesDansLOrdre() {
    int i = 0;
    for (const Message& m : kMessages) {
        if (static_cast<int>(m.cle) != i++) return false;
    }
    return i == static_cast<int>(Msg::Nombre);
}
static_assert(RangeesDansLOrdre(), "kMessages holds one row per Msg, in the order of Msg");

inline const Message& MessageDe(Msg m) { return kMessages[static_cast<int>(m)]; }

// The text with each "%s" replaced by the next word (nothing when none is left).
inline std::string Former(const Message& m, std::span<const std::string_view> mots) {
    std::string texte;
    size_t mot = 0;
    for (const char* c = m.texte; *c != '\0'; ++c) {
        if (c[0] == '%' && c[1] == 's') {
            if (mot < mots.size()) texte += mots[mot++];
            ++c;
        } else {
            texte += *c;
        }
    }
    return texte;
}
inline std::string Former(const Message& m, std::initializer_list<std::string_view> mots) {
    return Former(m, std::span<const std::string_view>(mots.begin(), mots.size()));
}

// Writes the message (a warning after "Attention : " on standard error, the
// rest on standard output) and, when its row says so, records an error.
void Signaler(Msg m, std::initializer_list<std::string_view> mots = {});
