#include "phrases/PhraseCatalogue.h"

#include "stats/PracticeWeights.h"

#include "core/RandomSource.h"

#include <array>
#include <cassert>

namespace {

using K = Kana;
constexpr const char* F(const char* text) {
    return text;
}
constexpr Kana V(Kana kana) {
    return kana;
}

// Display text, then the romaji pieces in order. Some kana are spelt out in fixed pieces
// ("tukitosuppo", "huhousi", "nitibei") and ignore the player's spellings on purpose.
const std::vector<PhraseRow> rows = {
    {1,
     "月とすっぽん。比べんでも分かるわボケ",
     "つきとすっぽん。くらべんでもわかるわぼけ",
     {F("tukitosuppo"), V(K::N), F(".kurabe"), V(K::N), F("demowakaruwaboke")},
     {}},
    {2,
     "そこの交差点を紆余曲折してみてください",
     "そこのこうさてんをうよきょくせつしてみてください",
     {F("sokonokousate"), V(K::N), F("wouyokyokuse"), V(K::Tsu), F("sitemitekudasai")},
     {}},
    {3, "エゴ", "エゴ", {F("ego")}, {}},
    {4, "ダルメシアン", "ダルメシアン", {F("darumesia"), V(K::N)}, {}},
    {5, "MP5", "MP5", {F("MP5")}, {}},
    {6, "税金", "むだにつかわれるかね", {F("mudanitukawarerukane")}, {}},
    {7, "グラップラー", "グラップラー", {F("gurappura-")}, {}},
    {8,
     "道路交通法違反",
     "どうろこうつうほういはん",
     {F("dourokou"), V(K::Tsu), F("uhouiha"), V(K::N)},
     {}},
    {9, "S.W.A.T", "S.W.A.T", {F("S.W.A.T")}, {}},
    {10,
     "ロリキャラにねこみみは外せない",
     "ロリキャラにねこみみははずせない",
     {F("rorikyaraninekomimihahazusenai")},
     {}},
    {11,
     "敵は本能寺にあり!",
     "てきはほんのうじにあり!",
     {F("tekihaho"), V(K::N), F("nou"), V(K::Ji), F("niari!")},
     {}},
    {12, "バンドやろうぜ", "バンドやろうぜ", {F("ba"), V(K::N), F("doyarouze")}, {}},
    {13,
     "PCを娘といい、好きなアニメキャラを嫁と言う男",
     "PCをむすめといい、すきなアニメキャラをよめというおとこ",
     {F("PCwomusumetoii,sukinaanimekyarawoyometoiuotoko")},
     {}},
    {14,
     "デブだからってキャッチャーにすんじゃねぇぇぇぇ!",
     "デブだからってキャッチャーにすんじゃねぇぇぇぇ!",
     {F("debudakarattekyattya-nisu"), V(K::N), V(K::Ja), F("ne"), V(K::SmallE), V(K::SmallE),
      V(K::SmallE), V(K::SmallE), F("!")},
     {}},
    {15,
     "寸胴だと浴衣がよく似合う",
     "ずんどうだとゆかたがよくにあう",
     {F("zu"), V(K::N), F("doudatoyukatagayokuniau")},
     {}},
    {16,
     "プロポーションがいいと浴衣はあまり似合わないらしい",
     "プロポーションがいいとゆかたはあまりにあわないらしい",
     {F("puropo-syo"), V(K::N), F("gaiitoyukatahaamariniawanairasii")},
     {}},
    {17,
     "5.1ch皿運動スピーカー",
     "5.1chさらうんどうスピーカー",
     {F("5.1chsarau"), V(K::N), F("dousupi-ka-")},
     {}},
    {18,
     "シェイクスピアが槍を振る",
     "シェイクスピアがやりをふる",
     {F("syeikusupiagayariwo"), V(K::Fu), F("ru")},
     {}},
    {19,
     "ビールのうまさに感激する親父",
     "ビールのうまさにかんげきするおやじ",
     {F("bi-runoumasanika"), V(K::N), F("gekisuruoya"), V(K::Ji)},
     {}},
    {20, "アウトロー", "アウトロー", {F("autoro-")}, {}},
    {21, "頭が真っ白になって…", "あたまがまっしろになって…", {F("atamagamassironinatte///")}, {}},
    {22,
     "発泡酒と第3のビールは違う",
     "はっぽうしゅとだい3のビールはちがう",
     {F("happousyutodai3nobi-ruhatigau")},
     {}},
    {23,
     "投げやりな槍投げ選手",
     "なげやりなやりなげせんしゅ",
     {F("nageyarinayarinagese"), V(K::N), V(K::Shu)},
     {}},
    {24,
     "オタクだって良いじゃないか、人間だもの",
     "オタクだっていいじゃないか、にんげんだもの",
     {F("otakudatteii"), V(K::Ja), F("naika,ni"), V(K::N), F("ge"), V(K::N), F("damono")},
     {}},
    {25,
     "1455年からの薔薇戦争って別名BL戦争ですか?",
     "1455ねんからのばらせんそうってべつめいBLせんそうですか?",
     {F("1455ne"), V(K::N), F("karanobarase"), V(K::N), F("souttebetumeiBLse"), V(K::N),
      F("soudesuka?")},
     {}},
    {26,
     "愚かな人間共が",
     "おろかなにんげんどもが",
     {F("orokanani"), V(K::N), F("ge"), V(K::N), F("domoga")},
     {}},
    {27, "なまびーるふたつー", "なまびーるふたつー", {F("namabi-ruhutatu-")}, {}},
    {28, "わたしはおぢさま", "わたしはおぢさま", {F("watasihaodisama")}, {}},
    {29,
     "3Rとは、｢リユース｣｢リデュース｣｢リサイタル｣",
     "3Rとは、｢リユース｣｢リデュース｣｢リサイタル｣",
     {F("3Rtoha,[riyu-su][ride"), V(K::SmallYu), F("-su][risaitaru]")},
     {}},
    {30,
     "8ビートで木魚を叩くお坊さん",
     "8ビートでもくぎょをたたくおぼうさん",
     {F("8bi-todemokugyowotatakuobousa"), V(K::N)},
     {}},
    {31, "デジタル･バーサタイル･ディスク", "DVD", {F("DVD")}, {}},
    {32, "Shiftキーがぁ～", "Shiftキーがぁ～", {F("Shiftki-ga"), V(K::SmallA), F("~")}, {}},
    {33,
     "上クリック、下クリックが付いているマウス",
     "うえクリック、したクリックがついているマウス",
     {F("uekurikku,sitakurikkugatuiteirumausu")},
     {}},
    {34,
     "サンタクロースは不法侵入者",
     "サンタクロースはふほうしんにゅうしゃ",
     {F("sa"), V(K::N), F("takuro-suhahuhousi"), V(K::N), F("nyuu"), V(K::Sha)},
     {}},
    {35,
     "副都心線…開通早々とろいｗｗｗ",
     "ふくとしんせん…かいつうそうそうとろいｗｗｗ",
     {F("hukutosi"), V(K::N), F("se"), V(K::N), F("///kaituusousoutoroiwww")},
     {}},
    {36,
     "リモコンを向けるとびびるじいちゃん",
     "リモコンをむけるとびびるじいちゃん",
     {F("rimoko"), V(K::N), F("womukerutobibiru"), V(K::Ji), F("itya"), V(K::N)},
     {}},
    {37,
     "ハンガーは衣文掛け",
     "ハンガーはえもんかけ",
     {F("ha"), V(K::N), F("ga-haemo"), V(K::N), F("kake")},
     {}},
    {38,
     "子供用風邪薬に｢車を運転しないで下さい｣",
     "こどもようかぜぐすりに｢くるまをうんてんしないでください｣",
     {F("kodomoyoukazegusurini[kurumawou"), V(K::N), F("te"), V(K::N), F("sinaidekudasai]")},
     {}},
    {39, "ハンガーセット", "ハンガーセット", {F("ha"), V(K::N), F("ga-setto")}, {}},
    {40, "妖刀村正", "ようとうむらまさ", {F("youtoumuramasa")}, {}},
    {41, "諸刃の剣", "もろはのつるぎ", {F("morohano"), V(K::Tsu), F("rugi")}, {}},
    {42, "HTMLタグ", "HTMLタグ", {F("HTMLtagu")}, {}},
    {43, "ブロンソン", "ブロンソン", {F("buro"), V(K::N), F("so"), V(K::N)}, {}},
    {44,
     "インフォームドコンセント",
     "インフォームドコンセント",
     {F("i"), V(K::N), F("fo-mudoko"), V(K::N), F("se"), V(K::N), F("to")},
     {}},
    {45, "クロックパルス", "クロックパルス", {F("kurokkuparusu")}, {}},
    {46,
     "真のグリム童話は怖いらしい",
     "しんのグリムどうわはこわいらしい",
     {F("si"), V(K::N), F("nogurimudouwahakowaira"), V(K::Shi), F("i")},
     {}},
    {47, "403エラー", "403エラー", {F("403era-")}, {}},
    {48,
     "ピアノとアヒルが印象的なあのCM",
     "ピアノとアヒルがいんしょうてきなあのCM",
     {F("pianotoahirugai"), V(K::N), V(K::Sho), F("utekinaanoCM")},
     {}},
    {49, "ご利用は計画的に", "ごりようはけいかくてきに", {F("goriyouhakeikakutekini")}, {}},
    {50,
     "日米修好通商条約",
     "にちべいしゅうこうつうしょうじょうやく",
     {F("nitibei"), V(K::Shu), F("ukou"), V(K::Tsu), F("u"), V(K::Sho), F("u"), V(K::Jo),
      F("uyaku")},
     {}},
    {51, "意簾羅夢経", "いすらむきょう", {F("isuramukyou")}, {}},
    {52, "もらい泣き", "もらいなき", {F("morainaki")}, {}},
    {53, "ガッポイ", "ガッポイ", {F("gappoi")}, {}},
    {54,
     "あんたが乗り込むのを見なかったが",
     "あんたがのりこむのをみなかったが",
     {F("a"), V(K::N), F("taganorikomunowominakattaga")},
     {}},
    {55,
     "悪魔どもを挑発したな!君とは気が合いそうだ",
     "あくまどもをちょうはつしたな!きみとはきがあいそうだ",
     {F("akumadomowo"), V(K::Cho), F("uha"), V(K::Tsu), F("sitana!kimitohakigaaisouda")},
     {}},
    {56, "わたし、きれい?", "わたし、きれい?", {F("wata"), V(K::Shi), F(",kirei?")}, {}},
    {57,
     "バグという名の仕様です",
     "バグというなのしようです",
     {F("bagutoiunano"), V(K::Shi), F("youdesu")},
     {}},
    {58,
     "ムソグルスキーってなんかスケベっぽい",
     "ムソグルスキーってなんかスケベっぽい",
     {F("musogurusuki-ttena"), V(K::N), F("kasukebeppoi")},
     {}},
    {59, "フェアリーテイル", "フェアリーテイル", {F("feari-teiru")}, {}},
    {60,
     "ドレーン、ゲート、ソース",
     "ドレーン、ゲート、ソース",
     {F("dore-"), V(K::N), F(",ge-to,so-su")},
     {}},
    {61,
     "ベース、エミッタ、コレクタ",
     "ベース、エミッタ、コレクタ",
     {F("be-su,emitta,korekuta")},
     {}},
    {62, "メルカトル図法", "メルカトルずほう", {F("merukatoruzuhou")}, {}},
    {63,
     "マサチューセッツ州",
     "マサチューセッツしゅう",
     {F("masa"), V(K::Chu), F("-set"), V(K::Tsu), V(K::Shu), F("u")},
     {}},
    {64,
     "校長先生血尿だ",
     "こうちょうせんせいけつにょうだ",
     {F("kou"), V(K::Cho), F("use"), V(K::N), F("seike"), V(K::Tsu), F("nyouda")},
     {}},
    {65,
     "ぽろっぽぽろっぽはとぽっぽ",
     "ぽろっぽぽろっぽはとぽっぽ",
     {F("poroppoporoppohatopoppo")},
     {}},
    {66,
     "脇役の人気が出る時もある",
     "わきやくのにんきがでるときもある",
     {F("wakiyakunoni"), V(K::N), F("kigaderutokimoaru")},
     {}},
    {67, "あぁ苦情", "あぁくじょう", {F("a"), V(K::SmallA), F("ku"), V(K::Jo), F("u")}, {}},
    {68,
     "タイヤキは頭から?尾っぽから?",
     "タイヤキはあたまから?おっぽから?",
     {F("taiyakihaatamakara?oppokara?")},
     {}},
    {69,
     "めっちゃトロンボーン",
     "めっちゃトロンボーン",
     {F("mettyatoro"), V(K::N), F("bo-"), V(K::N)},
     {F("mecchatoro"), V(K::N), F("bo-"), V(K::N)}},
    {70,
     "腐った女子と書いて腐女子",
     "くさったおなごとかいてふじょし",
     {F("kusattaonagotokaite"), V(K::Fu), V(K::Jo), V(K::Shi)},
     {}},
    {71, "I love milk", "I love milk", {F("I love milk")}, {}},
    {72, "はい、ワロスワロス", "はい、ワロスワロス", {F("hai,warosuwarosu")}, {}},
    {73, "orz", "orz", {F("orz")}, {}},
    {74, "学問のすずめ", "がくもんのすずめ", {F("gakumo"), V(K::N), F("nosuzume")}, {}},
    {75, "巧妙な怪我の功名", "こうみょうなけがのこうみょう", {F("koumyounakeganokoumyou")}, {}},
    {76,
     "気にするな。お前に関係あることだから",
     "きにするな。おまえにかんけいあることだから",
     {F("kinisuruna.omaenika"), V(K::N), F("keiarukotodakara")},
     {}},
    {77, "おげったや!", "おげったや!", {F("ogettaya!")}, {}},
    {78,
     "ほっぷ・すてっぷ・にーんぷ",
     "ほっぷ・すてっぷ・にーんぷ",
     {F("hoppu/suteppu/ni-"), V(K::N), F("pu")},
     {}},
    {79, "Poison?Yes,poison.", "Poison?Yes,poison.", {F("Poison?Yes,poison.")}, {}},
    {80, "コロンビア", "コロンビア", {F("koro"), V(K::N), F("bia")}, {}},
    {81, "クラミジア", "クラミジア", {F("kurami"), V(K::Ji), F("a")}, {}},
    {82, "あああああああああああああ", "あああああああああああああ", {F("aaaaaaaaaaaaa")}, {}},
    {83,
     "わっしょいわっしょいわっしょい",
     "わっしょいわっしょいわっしょい",
     {F("was"), V(K::Sho), F("iwas"), V(K::Sho), F("iwas"), V(K::Sho), F("i")},
     {}},
    {84, "毛痛い電話", "けいたいでんわ", {F("keitaide"), V(K::N), F("wa")}, {}},
    {85,
     "4人分関取",
     "4にんぶんせきとり",
     {F("4ni"), V(K::N), F("bu"), V(K::N), F("sekitori")},
     {}},
    {86,
     "ノートパソコンの魅力",
     "ノートパソコンのみりょく",
     {F("no-topasoko"), V(K::N), F("nomiryoku")},
     {}},
    {87, "ペキソオリソピック", "ペキソオリソピック", {F("pekisoorisopikku")}, {}},
    {88,
     "無理難題は無理なんだいっ!",
     "むりなんだいはむりなんだいっ!",
     {F("murina"), V(K::N), F("daihamurina"), V(K::N), F("dailtu!")},
     {}},
    {89,
     "シェフの気まぐれ通り魔事件",
     "シェフのきまぐれとおりまじけん",
     {F("sye"), V(K::Fu), F("nokimaguretoorima"), V(K::Ji), F("ke"), V(K::N)},
     {}},
    {90,
     "車で30分全力で15分",
     "くるまで30ぷんぜんりょくで15ふん",
     {F("kurumade30pu"), V(K::N), F("ze"), V(K::N), F("ryokude15hu"), V(K::N)},
     {}},
    {91,
     "ふとんがぶっとんだ",
     "ふとんがぶっとんだ",
     {V(K::Fu), F("to"), V(K::N), F("gabutto"), V(K::N), F("da")},
     {}},
    {92,
     "わ゛～れ゛～わ゛～れ゛～わ゛～う゛ぢゅ゛～ぢん゛だ～",
     "わ～れ～わ～れ～わ～うぢゅ～ぢんだ～",
     {F("wa~re~wa~re~wa~udyu~di"), V(K::N), F("da~")},
     {}},
    {93, "味噌をジャム代わり", "みそをジャムがわり", {F("misowo"), V(K::Ja), F("mugawari")}, {}},
    {94,
     "エアコンの温度設定は28度にｂ",
     "エアコンのおんどせっていは28どにｂ",
     {F("eako"), V(K::N), F("noo"), V(K::N), F("dosetteiha28donib")},
     {}},
    {95,
     "知らず知らずのうちにパケット通信料高額に",
     "しらずしらずのうちにパケットつうしんりょうこうがくに",
     {V(K::Shi), F("razu"), V(K::Shi), F("razunoutinipakettotuu"), V(K::Shi), V(K::N),
      F("ryoukougakuni")},
     {}},
    {96, "ベソジョソソソ", "ベソジョソソソ", {F("beso"), V(K::Jo), F("sososo")}, {}},
    {97,
     "ねぎラーメンねぎ抜きで",
     "ねぎラーメンねぎぬきで",
     {F("negira-me"), V(K::N), F("neginukide")},
     {}},
    {98,
     "Aさんには豪華粗品をプレゼントいたします",
     "Aさんにはごうかそしなをプレゼントいたします",
     {F("Asa"), V(K::N), F("nihagoukaso"), V(K::Shi), F("nawopureze"), V(K::N), F("toita"),
      V(K::Shi), F("masu")},
     {}},
    {99,
     "明後日の昨日は明日",
     "あさってのきのうはあした",
     {F("asattenokinouhaa"), V(K::Shi), F("ta")},
     {}},
    {100, "かすていら", "かすていら", {F("kasuteira")}, {}},
};

QString join(const std::vector<RomajiPiece>& pieces, const VariantTable& table) {
    QString out;
    for (const RomajiPiece& piece : pieces) {
        if (const auto* fixed = std::get_if<const char*>(&piece))
            out += QString::fromUtf8(*fixed);
        else
            out += table.get(std::get<Kana>(piece));
    }
    return out;
}

} // namespace

const PhraseRow& PhraseCatalogue::row(int number) {
    assert(number >= 1 && number <= Size);
    return rows[static_cast<std::size_t>(number - 1)];
}

static const std::vector<RomajiPiece>& chosenPieces(int number, const VariantTable& table) {
    const PhraseRow& r = PhraseCatalogue::row(number);
    if (!r.romajiOtherwise.empty() && table.get(Kana::Cha) != QLatin1String("tya"))
        return r.romajiOtherwise;
    return r.romaji;
}

QString PhraseCatalogue::romaji(int number, const VariantTable& table) {
    return join(chosenPieces(number, table), table);
}

PhrasePieces PhraseCatalogue::pieces(int number, const VariantTable& table) {
    PhrasePieces out;
    for (const RomajiPiece& piece : chosenPieces(number, table)) {
        if (const auto* fixed = std::get_if<const char*>(&piece))
            out.push_back({QString::fromUtf8(*fixed), std::nullopt});
        else
            out.push_back({QString(), std::get<Kana>(piece)});
    }
    return out;
}

QString PhraseCatalogue::reading(int number) {
    return QString::fromUtf8(row(number).reading);
}

Phrase PhraseCatalogue::draw(RandomSource& random, const VariantTable& table) {
    random.reseed();
    int number = static_cast<int>(random.next() * 100.0f);
    if (number > Size - 1)
        number = Size - 1; // r * 100 rounded up in single precision
    if (number <= 0)
        number = Size; // a draw of 0 stands for phrase 100
    return {number, QString::fromUtf8(row(number).text), romaji(number, table),
            pieces(number, table), reading(number)};
}

Phrase PhraseCatalogue::draw(RandomSource& random, const VariantTable& table,
                             const std::vector<double>& weights) {
    if (weights.size() != Size)
        return draw(random, table);
    random.reseed();
    const int number = random.pick(weights) + 1;
    return {number, QString::fromUtf8(row(number).text), romaji(number, table),
            pieces(number, table), reading(number)};
}

std::vector<double> PhraseCatalogue::weights(const VariantTable& table,
                                             const std::vector<char32_t>& weak, bool kana) {
    std::vector<double> out;
    out.reserve(Size);
    for (int number = 1; number <= Size; ++number)
        out.push_back(
            PracticeWeights::phraseWeight(kana ? reading(number) : romaji(number, table), weak));
    return out;
}
