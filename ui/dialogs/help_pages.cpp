#include "ui/dialogs/help_window.h"

namespace zarvon::ui {

namespace {

// The keys in force are those of the main window's shortcuts
// (ui/main_window.cpp) and of the progress window: keep both pages in step
// with them.
constexpr const char *kEnglishPage = R"html(
<style>dd { margin-bottom: 5px; }</style>
<h2>Zarvon</h2>
<p>Zarvon shows the files of your computer on the right (the explorer) and,
once an archive is open, its entries on the left (the archive list).
Commands act on the list you used last.</p>
<p><a href="#commands">Commands</a> &middot; <a href="#keys">Keyboard shortcuts</a> &middot;
<a href="#settings">Settings</a></p>

<h3><a name="commands"></a>Commands</h3>
<dl>
<dt><b>Open an archive</b> (File &gt; Open Archive, Ctrl+O)</dt>
<dd>Choose a ZIP, RAR, 7z or tar archive; its entries appear in the archive list.
Enter or a double click on an archive in the explorer opens it too, and so does
dropping it on the window.</dd>
<dt><b>Compress</b> (Commands &gt; Compress, toolbar)</dt>
<dd>Select files and folders in the explorer, then give the archive's name, its
folder, the compression type and, if you wish, a password. A password must be
typed twice.</dd>
<dt><b>Extract</b> (Commands &gt; Extract Archive, toolbar)</dt>
<dd>Extracts the entries selected in the archive list, or the archive selected
in the explorer, into the folder you choose. Nothing is ever written outside
that folder.</dd>
<dt><b>Test</b> (Commands &gt; Test Archive, toolbar)</dt>
<dd>Reads every entry and checks it against its checksum, without writing
anything; a damaged entry or a wrong password is reported.</dd>
<dt><b>Information</b> (File &gt; Archive Properties, toolbar)</dt>
<dd>Name, number of files, protection, original and compressed sizes,
compression method and dates of the archive.</dd>
<dt><b>Copy, move, rename, delete</b> (File menu)</dt>
<dd>Act on the items selected in the explorer. Copy and move ask for the
destination folder and ask before replacing anything; delete puts the items in
the trash after asking.</dd>
<dt><b>Assistant</b> (Commands &gt; Assistant, toolbar)</dt>
<dd>Compresses or extracts step by step, one question per page.</dd>
<dt><b>Notification area</b> (Options &gt; Minimize to the Notification Area)</dt>
<dd>Hides the window behind an icon of the notification area; the icon's menu
brings it back or quits. Where the desktop has no notification area, the
window stays in the taskbar.</dd>
<dt><b>Recent archives</b> (File &gt; Recent Files)</dt>
<dd>The archives opened lately, kept while "Archive history" is ticked in the
settings.</dd>
<dt><b>Language and display</b> (View menu)</dt>
<dd>French or English, the toolbar, the status bar and how the explorer shows
its items.</dd>
</dl>

<h3><a name="keys"></a>Keyboard shortcuts</h3>
<table width="100%" cellspacing="0" cellpadding="3" border="1">
<tr><td>Ctrl+O</td><td>open an archive</td></tr>
<tr><td>Ctrl+C</td><td>copy the selected items</td></tr>
<tr><td>Ctrl+X</td><td>move the selected items</td></tr>
<tr><td>Ctrl+R, F2</td><td>rename the selected item</td></tr>
<tr><td>Delete</td><td>put the explorer's selected items in the trash</td></tr>
<tr><td>Ctrl+A</td><td>select all in the list that has the focus (in the address bar: all its text)</td></tr>
<tr><td>Enter</td><td>open the folder, archive or entry under the cursor; in the address bar, go to the folder typed</td></tr>
<tr><td>Backspace, Alt+Up</td><td>go to the parent folder</td></tr>
<tr><td>Alt+Left, Alt+Right</td><td>go back and forward through the folders visited</td></tr>
<tr><td>F5</td><td>read the folder again</td></tr>
<tr><td>Escape</td><td>cancel the job under way; close a dialog window</td></tr>
</table>

<h3><a name="settings"></a>Settings</h3>
<p><b>Options &gt; Settings</b>: start with the assistant, keep the window on top,
sound, archive history, several instances, toolbar captions, the default
archive and extraction folders, and the desktop integration (Zarvon as the
application for ZIP files, in the "Open with" choices, a desktop shortcut).
Some changes take effect at the next start.</p>
<p><b>Options &gt; Edit the Configuration File</b> opens <tt>Zarvon.ini</tt> in
your desktop's text editor. When none is set up, Zarvon tells you where the file
is, so that you can open it yourself.</p>
)html";

constexpr const char *kFrenchPage = R"html(
<style>dd { margin-bottom: 5px; }</style>
<h2>Zarvon</h2>
<p>Zarvon montre les fichiers de votre ordinateur à droite (l'explorateur) et,
quand une archive est ouverte, son contenu à gauche (la liste de l'archive).
Les commandes agissent sur la liste utilisée en dernier.</p>
<p><a href="#commandes">Commandes</a> &middot; <a href="#touches">Raccourcis clavier</a> &middot;
<a href="#configuration">Configuration</a></p>

<h3><a name="commandes"></a>Commandes</h3>
<dl>
<dt><b>Ouvrir une archive</b> (Fichier &gt; Ouvrir Archive, Ctrl+O)</dt>
<dd>Choisissez une archive ZIP, RAR, 7z ou tar : son contenu s'affiche dans la
liste de l'archive. Entrée ou un double clic sur une archive de l'explorateur
l'ouvre aussi, de même que la déposer sur la fenêtre.</dd>
<dt><b>Compresser</b> (Commandes &gt; Compresser, barre d'outils)</dt>
<dd>Sélectionnez des fichiers et des dossiers dans l'explorateur, puis indiquez
le nom de l'archive, son dossier, le type de compression et, si vous le voulez,
un mot de passe, à taper deux fois.</dd>
<dt><b>Extraire</b> (Commandes &gt; Extraire Archive, barre d'outils)</dt>
<dd>Extrait les éléments sélectionnés dans la liste de l'archive, ou l'archive
sélectionnée dans l'explorateur, dans le dossier de votre choix. Rien n'est
jamais écrit hors de ce dossier.</dd>
<dt><b>Tester</b> (Commandes &gt; Tester Archive, barre d'outils)</dt>
<dd>Lit chaque élément et le contrôle par sa somme de contrôle, sans rien
écrire ; un élément abîmé ou un mauvais mot de passe est signalé.</dd>
<dt><b>Informations</b> (Fichier &gt; Propriétés de l'archive, barre d'outils)</dt>
<dd>Nom, nombre de fichiers, protection, tailles d'origine et compressée,
méthode de compression et dates de l'archive.</dd>
<dt><b>Copier, déplacer, renommer, supprimer</b> (menu Fichier)</dt>
<dd>Agissent sur les éléments sélectionnés dans l'explorateur. Copier et
déplacer demandent le dossier de destination et demandent avant de remplacer
quoi que ce soit ; supprimer met les éléments à la corbeille après
confirmation.</dd>
<dt><b>Assistant</b> (Commandes &gt; Assistant, barre d'outils)</dt>
<dd>Compresse ou extrait pas à pas, une question par page.</dd>
<dt><b>Zone de notification</b> (Options &gt; Réduire dans la zone système)</dt>
<dd>Cache la fenêtre derrière une icône de la zone de notification ; le menu de
l'icône la rétablit ou quitte. Quand le bureau n'a pas de zone de
notification, la fenêtre reste dans la barre des tâches.</dd>
<dt><b>Archives récentes</b> (Fichier &gt; Fichiers Récents)</dt>
<dd>Les dernières archives ouvertes, gardées tant que « Historique des archives » est coché
dans la configuration.</dd>
<dt><b>Langue et affichage</b> (menu Afficher)</dt>
<dd>Français ou anglais, la barre d'outils, la barre d'état et la façon dont
l'explorateur montre ses éléments.</dd>
</dl>

<h3><a name="touches"></a>Raccourcis clavier</h3>
<table width="100%" cellspacing="0" cellpadding="3" border="1">
<tr><td>Ctrl+O</td><td>ouvrir une archive</td></tr>
<tr><td>Ctrl+C</td><td>copier les éléments sélectionnés</td></tr>
<tr><td>Ctrl+X</td><td>déplacer les éléments sélectionnés</td></tr>
<tr><td>Ctrl+R, F2</td><td>renommer l'élément sélectionné</td></tr>
<tr><td>Suppr</td><td>mettre à la corbeille les éléments sélectionnés de l'explorateur</td></tr>
<tr><td>Ctrl+A</td><td>tout sélectionner dans la liste qui a le focus (dans la barre d'adresse : tout son texte)</td></tr>
<tr><td>Entrée</td><td>ouvrir le dossier, l'archive ou l'élément sous le curseur ; dans la barre d'adresse, aller au dossier tapé</td></tr>
<tr><td>Retour arrière, Alt+Haut</td><td>aller au dossier parent</td></tr>
<tr><td>Alt+Gauche, Alt+Droite</td><td>revenir en arrière et en avant dans les dossiers visités</td></tr>
<tr><td>F5</td><td>relire le dossier</td></tr>
<tr><td>Échap</td><td>annuler le travail en cours ; fermer une fenêtre de dialogue</td></tr>
</table>

<h3><a name="configuration"></a>Configuration</h3>
<p><b>Options &gt; Configuration</b> : démarrer avec l'assistant, garder la
fenêtre au premier plan, le son, l'historique des archives, plusieurs
instances, le texte des boutons, les dossiers par défaut des archives et des
extractions, et l'intégration au bureau (Zarvon comme application des fichiers
ZIP, dans les choix « Ouvrir avec », un raccourci sur le bureau). Certains
changements prennent effet au prochain démarrage.</p>
<p><b>Options &gt; Editer le fichier de Configuration</b> ouvre
<tt>Zarvon.ini</tt> dans l'éditeur de texte du bureau. Quand aucun n'est
configuré, Zarvon indique où se trouve le fichier, pour que vous l'ouvriez
vous-même.</p>
)html";

} // namespace

const char *helpPage(bool english) { return english ? kEnglishPage : kFrenchPage; }

} // namespace zarvon::ui
