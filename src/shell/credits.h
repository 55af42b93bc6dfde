// The program's free texts: the author credit of the console title, the project
// credit of the banner and the contact address of the database failure message.
#pragma once

inline constexpr const char* kCreditAuteur = "l'équipe Glomerix";
inline constexpr const char* kCreditProjet = "projet libre de calcul numérique";
inline constexpr const char* kAdresseContact = "glomerix@example.org";
