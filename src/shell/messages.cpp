#include "shell/messages.h"

#include "shell/commandes.h"
#include "ternex/ternex.h"

void Signaler(Msg m, std::initializer_list<std::string_view> mots) {
    const Message& message = MessageDe(m);
    const std::string texte = Former(message, mots);
    if (message.avertissement) {
        console.warn(("Attention : " + texte).c_str());
    } else {
        console.write(texte.c_str());
    }
    if (message.erreur) SignalerEchec();
}
