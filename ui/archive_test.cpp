#include "ui/archive_test.h"

#include "base/case_fold.h"
#include "base/paths.h"
#include "operations/jobs.h"
#include "settings/language.h"
#include "ui/ids.h"
#include "ui/opening.h"
#include "ui/platform/platform.h"
#include "ui/platform/requesters.h"

namespace zarvon::ui {
namespace pf = zarvon::platform;
using operations::Reason;
using operations::TestReport;
using settings::languageText;

namespace {

enum class Origin { Requester, Explorer };

// How many names a message lists before "...".
constexpr std::size_t kNamesShown = 10;

TestReport testWith(const std::string &path, const std::string &password)
{
    operations::SilentProgress progress;
    return operations::testArchiveFile({path, password}, progress);
}

// Nothing but the password stands between this test and its verdict: the
// readable entries passed and encrypted ones are left, or the whole archive
// (RAR with encrypted names) cannot be read without it.
bool waitsForPassword(const TestReport &tested)
{
    if (!tested.readable)
        return tested.failure.reason == Reason::PasswordNeeded;
    return !tested.stopped && tested.entriesFailed == 0 && tested.entriesNotChecked > 0;
}

// The password given did not open the encrypted entries.
bool passwordRefused(const TestReport &tested)
{
    if (!tested.readable)
        return tested.failure.reason == Reason::PasswordNeeded || tested.failure.reason == Reason::WrongPassword;
    const Reason reason = tested.firstFailure.reason;
    return !tested.stopped && (reason == Reason::WrongPassword || reason == Reason::PasswordOrDamage);
}

void showSuccess(const std::string &name, Origin origin)
{
    std::string text;
    if (settings::englishLanguageSelected())
        text = languageText("MsgChkZip", "Zip file checked successfully\rNo error found !");
    else if (origin == Origin::Requester)
        text = "Archive vérivier avec succès\rAucune erreur detectectée dans le fichier";
    else
        text = "Archive vérivier avec succès\rAucune erreur détectée dans le Fichier !";
    pf::messageBox("Zarvon", name + "\r" + text, pf::MessageIcon::Information);
}

// Each message starts with the archive's name: with several archives
// selected, one box per archive, and each must say which.
void showVerdict(const std::string &path, Origin origin, const TestReport &tested)
{
    const std::string name = base::lastPathComponent(path);
    if (!tested.readable && tested.failure.reason == Reason::LibraryMissing) {
        pf::messageBox("Zarvon",
                       name + "\r" +
                           languageText("MsgRarLibraryMissing",
                                        "La bibliothèque UnRAR est absente : installez le paquet libunrar5."),
                       pf::MessageIcon::Error);
        return;
    }
    if (!tested.passed()) {
        // The failure is always told, whatever the configuration file holds,
        // with the entries that failed and why (the first ten: a box must
        // still fit on the screen).
        std::string text = name + "\r" + languageText("MsgChkZipError", "Le fichier est corrompu");
        std::vector<operations::Failure> failed = tested.failures;
        if (failed.empty() && tested.firstFailure.reason != Reason::None)
            failed.push_back(tested.firstFailure);
        for (std::size_t i = 0; i < failed.size() && i < 10; ++i)
            text += "\r" + failed[i].name + " : " + extractionFailureReason(failed[i]);
        if (failed.size() > 10)
            text += "\r…";
        pf::messageBox("Zarvon", text, pf::MessageIcon::Error);
        return;
    }
    showSuccess(name, origin);
}

void test(const std::string &path, Origin origin)
{
    const TestReport tested = testWith(path, {});
    if (waitsForPassword(tested)) {
        PasswordRequest request{PasswordRequestKind::testArchive, path, tested.notChecked, {}};
        request.chosenInRequester = origin == Origin::Requester;
        askPassword(std::move(request));
        return;
    }
    showVerdict(path, origin, tested);
}

// Every file of a format the program reads is tested, by its content or,
// when that says nothing, its name: a damaged archive is still tested, and
// failed, as what it claims to be.
bool tested(const std::string &path) { return operations::formatOf(path) != nullptr; }

} // namespace

bool testWithPassword(const PasswordRequest &request, const std::string &password, TestReport &tested)
{
    tested = testWith(request.archivePath, password);
    if (!passwordRefused(tested))
        return true;
    pf::messageBox("Zarvon",
                   base::lastPathComponent(request.archivePath) + "\r" +
                       languageText("MsgChkWrongPassword",
                                    "Mot de passe incorrect : les fichiers chiffrés n'ont pas pu être vérifiés."),
                   pf::MessageIcon::Warning);
    return false;
}

void showTestVerdict(const PasswordRequest &request, const TestReport &tested)
{
    showVerdict(request.archivePath, request.chosenInRequester ? Origin::Requester : Origin::Explorer, tested);
}

void reportUntestedEntries(const PasswordRequest &request)
{
    std::string text = base::lastPathComponent(request.archivePath) + "\r";
    const auto &names = request.entryNames;
    if (names.empty()) {
        // Not even the names could be read without the password.
        text += languageText("MsgChkNothingChecked",
                             "Vérification incomplète : sans mot de passe, rien n'a pu être vérifié.");
    } else {
        text += settings::countedText(languageText("MsgChkNotChecked",
                                     "Vérification incomplète : %1 fichier(s) chiffré(s) non vérifié(s), faute "
                                     "de mot de passe :"),
                        names.size());
        for (std::size_t i = 0; i < names.size() && i < kNamesShown; ++i)
            text += "\r" + names[i];
        if (names.size() > kNamesShown)
            text += "\r...";
    }
    pf::messageBox("Zarvon", text, pf::MessageIcon::Warning);
}

void testArchive()
{
    if (archiveListIsTheTarget()) {
        test(currentArchivePath(), Origin::Explorer);
        return;
    }
    const int list = ids::ExplorerList;
    if (!pf::isGadget(list) || pf::getGadgetState(list) < 0) {
        const std::string path = pf::openFileRequester(
            languageText("OpenZipFile", "Sélectionner une archive"), "",
            "Rar(*.rar)|*.rar;*.ZIP;*.tar;*.cab|7-zip(*.7-zip)|*.7zip|Arj(*.arj)|*.arj|Ace(*.ace)|*.ace|" +
                languageText("TxtAllArchives", "Toutes les archives") + " (*.*)|*.*",
            4);
        if (!path.empty())
            test(path, Origin::Requester);
        return;
    }
    const std::string folder = pf::getGadgetText(list);
    const int count = pf::countGadgetItems(list);
    for (int item = 0; item < count; ++item) {
        const int state = pf::getGadgetItemState(list, item);
        if (!(state & pf::ItemSelected) || !(state & pf::ItemFile))
            continue;
        const std::string name = pf::getGadgetItemText(list, item);
        if (tested(folder + name))
            test(folder + name, Origin::Explorer);
    }
}

} // namespace zarvon::ui
