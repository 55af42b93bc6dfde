#include "store/db_error.h"

namespace {

// Indexed by error number; byte-exact texts shown to the user.
const char* const kMessages[kDbErrorCount] = {
    // 0 DB_NO_ERROR
    "ERREUR : Pas d'erreur.",
    // 1 DB_OPEN_FAILED
    "ERREUR : Le fichier n'a pas pu être ouvert (il n'existe pas, ou il est utilisé par un autre programme).",
    // 2 DB_READ_ERROR
    "ERREUR : Erreur en lecture.",
    // 3 DB_WRITE_ERROR
    "ERREUR : Erreur en écriture.",
    // 4 DB_SEEK_ERROR
    "ERREUR : Erreur de positionnement dans le fichier.",
    // 5 DB_LINK_TABLE_CORRUPT
    "ERREUR : La table de lien est corrompu.",
    // 6 DB_ALLOC_TABLE_CORRUPT
    "ERREUR : La table d'allocation est corrompu.",
    // 7 DB_NO_LINK_TABLE
    "ERREUR : La table de lien n'existe pas.",
    // 8 DB_NO_ALLOC_TABLE
    "ERREUR : La table d'allocation n'existe pas.",
    // 9 DB_RECORD_MISSING
    "ERREUR : L'enregistrement demandé n'existe pas dans la table d'allocation (il n'a pas été créé).",
    // 10 DB_RECORD_ABOVE_MAX
    "ERREUR : L'enregistrement demandé a un numéro d'ordre supérieur a NbMaxItem (utilisé pendant la création de la table).",
    // 11 DB_OUT_OF_MEMORY
    "ERREUR : Une allocation de mémoire à échoué.",
    // 12 DB_ALREADY_OPEN
    "ERREUR : Une base de donnés est déjà ouverte.",
    // 13 DB_CREATE_FAILED
    "ERREUR : Le fichier n'a pas pu être créé.",
    // 14 DB_FILE_EXISTS
    "ERREUR : Le fichier existe déjà.",
    // 15 DB_NOT_OPEN
    "ERREUR : Aucune base de données n'est ouverte.",
    // 16 DB_DELETE_FAILED
    "ERREUR : Le fichier n'a pas pu être suprimé (il est utilisé par une aplication, ou il n'existe pas).",
    // 17 DB_RECORD_EXISTS
    "ERREUR : L'enregistrement que vous voulez créer existe déjà.",
    // 18 DB_CLOSE_ERROR
    "ERREUR : Erreur lors de la fermeture du fichier.",
    // 19 DB_BAD_MODE
    "ERREUR : Le mode demandé n'existe pas.",
    // 20 DB_PAST_END
    "ERREUR : Vous avez dépassé la fin de la mémoire alloué pour l'enregistrement (en écriture), ou la fin de la mémoire utilisé (en lecture).",
    // 21 DB_WRONG_MODE
    "ERREUR : L'opération demandé n'est pas conforme au mode d'ouverture de l'enregistrement.",
    // 22 DB_ALL_RECORDS_USED
    "ERREUR : Tout les enregistrement sont utilisé.",
    // 23 DB_SIZE_TOO_SMALL
    "ERREUR : La taille demandé est plus petite que celle utilisé actuellement par l'enregistrement.",
    // 24 DB_SEEK_OUT_OF_RANGE
    "ERREUR : Vous avez donnez une adresse à la fonction SeekRecord qui est au delà de la mémoire déjà écrite (en mode lecture) ou au delà de la mémoire alloué (en mode écriture).",
    // 25 DB_UNKNOWN_ERROR_NUMBER
    "ERREUR : Aucune erreur avec ce numéro n'existe.",
};

}  // namespace

const char* ErrorText(int code) {
    if (code < 0 || code >= kDbErrorCount) RaiseDbError(DB_UNKNOWN_ERROR_NUMBER);
    return kMessages[code];
}

const char* CauseText(int cause) {
    switch (cause) {
    case CAUSE_PERMISSION:
        return "ERREUR : L'accès au fichier de la base de données est refusé (droits insuffisants sur le fichier ou sur son dossier).";
    case CAUSE_NOT_REGULAR:
        return "ERREUR : Le chemin de la base de données ne désigne pas un fichier ordinaire (c'est un tube, un périphérique ou un dossier) : il n'a pas été ouvert.";
    case CAUSE_NOT_DATABASE:
        return "ERREUR : Le fichier existe déjà et n'est pas une base de données de Glomerix : il n'a pas été modifié.";
    case CAUSE_JOURNAL_NOT_REGULAR:
        return "ERREUR : Le nom du journal de la base de données (celui du fichier suivi de « -journal ») désigne un dossier, un lien, un tube ou un périphérique : la base n'a pas été ouverte.";
    default:
        return nullptr;
    }
}
