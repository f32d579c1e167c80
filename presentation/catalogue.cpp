#include "catalogue.h"

namespace piecettes::catalogue {

std::string text(Message message, Pointer pointer, int count) {
    switch (message) {
        case Message::None: return {};
        case Message::PayInstruction: return "Clique sur les pièces que tu donnes puis sur OK quand tu en as assez.";
        case Message::ChangeInstruction: return "Clique sur les pièces qu'on te rend puis sur OK quand c'est correct.";
        case Message::TakeBackHint: return "Clic sur le carré pour reprendre la pièce.";
        case Message::TakeAwayHint:
            return pointer == Pointer::Finger ? "Laisse ton doigt sur une pièce pour la reprendre"
                                              : "Clic droit pour reprendre une pièce";
        case Message::More: return "Encore !";
        case Message::TooManyCoins: return "Tu donnes trop de pièces. Tu peux en reprendre.";
        case Message::AskChange: return "Bien ! Combien doit-on te rendre ?";
        case Message::Wrong: return "Non ! Recommence !";
        case Message::Bravo: return "Bravo !";
        case Message::Score: return "Tu as " + std::to_string(count) + " bonnes réponses.";
        case Message::SeriesDone: return "Tu as réussi tes 20 exercices. Tu peux arrêter.";
        case Message::Unknown: return "?";
    }
    return {};
}

}  // namespace piecettes::catalogue
