#include "table/rules_texts.h"

namespace coppix::rules {

QString italian()
{
    return QStringLiteral(
        "DABREL COPPIX - il gioco delle coppie\r\n"
        "\r\n"
        "Il gioco delle coppie è un gioco per tutta la famiglia: un buon esercizio per una "
        "sfida tra bambini e adulti.\r\n"
        "\r\n"
        "Dal menu \"Options\" si sceglie uno dei tre modi di giocare: con 80 carte quadrate, "
        "ognuna con un'immagine su un lato (40 coppie di immagini), con 48 carte (24 coppie) "
        "oppure con 20 carte (10 coppie). Le immagini possono essere fiori, animali, disegni "
        "geometrici e simili.\r\n"
        "\r\n"
        "Le carte sono disposte coperte sul tavolo. Si scoprono due carte alla volta: se le "
        "due carte sono uguali restano scoperte, se sono diverse vengono coperte di nuovo.\r\n"
        "\r\n"
        "Le prime mosse si fanno a caso; poi bisogna ricordare le carte già viste e il posto "
        "in cui si trovano. Il gioco finisce quando tutte le coppie sono scoperte.\r\n"
        "\r\n"
        "Dabrel Coppix - VErdanticoPRess\r\n");
}

QString english()
{
    return QStringLiteral(
        "DABREL COPPIX - the pairs game\r\n"
        "\r\n"
        "The pairs game is a family game: a good exercise for a contest between children "
        "and adults.\r\n"
        "\r\n"
        "The \"Options\" menu offers three ways to play: with 80 square cards, each bearing "
        "a picture on one side (40 pairs of pictures), with 48 cards (24 pairs) or with 20 "
        "cards (10 pairs). The pictures may be flowers, animals, geometric drawings and the "
        "like.\r\n"
        "\r\n"
        "The cards lie face down on the table. Turn two cards at a time: two equal cards "
        "stay face up, two different ones are covered again.\r\n"
        "\r\n"
        "The first moves are made by guesswork; after that you have to remember the cards "
        "you have seen and where they lie. The game is over when every pair is face up.\r\n"
        "\r\n"
        "Dabrel Coppix - VErdanticoPRess\r\n");
}

} // namespace coppix::rules
