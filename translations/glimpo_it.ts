<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it" sourcelanguage="en">
<context>
    <name>AllInOneBarView</name>
    <message>
        <source>Area</source>
        <translation>Area</translation>
    </message>
    <message>
        <source>Window</source>
        <translation>Finestra</translation>
    </message>
    <message>
        <source>Fullscreen</source>
        <translation>Schermo intero</translation>
    </message>
    <message>
        <source>Record</source>
        <translation>Registra</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Testo</translation>
    </message>
    <message>
        <source>Close (Esc)</source>
        <translation>Chiudi (Esc)</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Microfono</translation>
    </message>
    <message>
        <source>System audio</source>
        <translation>Audio di sistema</translation>
    </message>
    <message>
        <source>Start Recording</source>
        <translation>Avvia registrazione</translation>
    </message>
    <message>
        <source>Wait before capturing</source>
        <translation>Ritardo prima della cattura</translation>
    </message>
    <message>
        <source>No Delay</source>
        <translation>Nessun ritardo</translation>
    </message>
    <message numerus="yes">
        <source>%n Second(s)</source>
        <translation>
            <numerusform>%n secondo</numerusform>
            <numerusform>%n secondi</numerusform>
        </translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
</context>
<context>
    <name>AppDelegate</name>
    <message>
        <source>Glimpo couldn&apos;t open a file manager. Your captures are saved in %1.</source>
        <translation>Glimpo non è riuscito ad aprire un gestore di file. Le catture vengono salvate in %1.</translation>
    </message>
    <message>
        <source>Glimpo Settings</source>
        <translation>Impostazioni di Glimpo</translation>
    </message>
    <message>
        <source>Welcome to Glimpo</source>
        <translation>Benvenuto in Glimpo</translation>
    </message>
    <message>
        <source>Couldn&apos;t open the picture: %1</source>
        <translation>Impossibile aprire l&apos;immagine: %1</translation>
    </message>
</context>
<context>
    <name>AutostartEntry</name>
    <message>
        <source>Glimpo&apos;s program path is not valid UTF-8 text, so no login item can start it.</source>
        <translation>Il percorso del programma Glimpo non è testo UTF-8 valido: nessun elemento di avvio può avviarlo.</translation>
    </message>
    <message>
        <source>Capture an area, a window or the screen, record the screen, or copy text from it</source>
        <translation>Cattura un&apos;area, una finestra o lo schermo, registra lo schermo o copiane il testo</translation>
    </message>
</context>
<context>
    <name>CaptureAction</name>
    <message>
        <source>Capture Area</source>
        <translation>Cattura area</translation>
    </message>
    <message>
        <source>Capture Fullscreen</source>
        <translation>Cattura schermo intero</translation>
    </message>
    <message>
        <source>Capture Window</source>
        <translation>Cattura finestra</translation>
    </message>
    <message>
        <source>Record Screen</source>
        <translation>Registra schermo</translation>
    </message>
    <message>
        <source>Capture Text</source>
        <translation>Cattura testo</translation>
    </message>
    <message>
        <source>All-in-One</source>
        <translation>Tutto in uno</translation>
    </message>
    <message>
        <source>Capture Scrolling Area</source>
        <translation>Cattura area a scorrimento</translation>
    </message>
</context>
<context>
    <name>CaptureCoordinator</name>
    <message>
        <source>Couldn&apos;t capture</source>
        <translation>Impossibile catturare</translation>
    </message>
    <message>
        <source>Couldn&apos;t start recording</source>
        <translation>Impossibile avviare la registrazione</translation>
    </message>
    <message>
        <source>Couldn&apos;t read the text</source>
        <translation>Impossibile leggere il testo</translation>
    </message>
    <message>
        <source>Recording without microphone</source>
        <translation>Registrazione senza microfono</translation>
    </message>
    <message>
        <source>Recording problem</source>
        <translation>Problema di registrazione</translation>
    </message>
    <message>
        <source>Couldn&apos;t save: %1</source>
        <translation>Impossibile salvare: %1</translation>
    </message>
    <message>
        <source>Reading text…</source>
        <translation>Lettura del testo…</translation>
    </message>
    <message>
        <source>No text found</source>
        <translation>Nessun testo trovato</translation>
    </message>
    <message>
        <source>Text copied</source>
        <translation>Testo copiato</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <extracomment>A title and the reason: &quot;Couldn&apos;t capture: The window is no longer available.&quot;</extracomment>
        <translation>%1: %2</translation>
    </message>
</context>
<context>
    <name>CaptureCountdown</name>
    <message numerus="yes">
        <source>Recording in %n second(s). Esc cancels.</source>
        <translation>
            <numerusform>Registrazione tra %n secondo. Esc annulla.</numerusform>
            <numerusform>Registrazione tra %n secondi. Esc annulla.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Capturing in %n second(s). Esc cancels.</source>
        <translation>
            <numerusform>Cattura tra %n secondo. Esc annulla.</numerusform>
            <numerusform>Cattura tra %n secondi. Esc annulla.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CaptureStoreError</name>
    <message>
        <source>The capture couldn&apos;t be written to disk.</source>
        <translation>Impossibile scrivere la cattura sul disco.</translation>
    </message>
</context>
<context>
    <name>CommandLine</name>
    <message>
        <source>Capture a dragged area (Space picks a window)</source>
        <translation>Cattura un&apos;area trascinata (Spazio sceglie una finestra)</translation>
    </message>
    <message>
        <source>Capture one window</source>
        <translation>Cattura una finestra</translation>
    </message>
    <message>
        <source>Capture the whole display under the pointer</source>
        <translation>Cattura l&apos;intero schermo sotto il puntatore</translation>
    </message>
    <message>
        <source>Start recording the screen, or stop the recording that runs</source>
        <translation>Avvia la registrazione dello schermo, o ferma quella in corso</translation>
    </message>
    <message>
        <source>Copy the text of a dragged area</source>
        <translation>Copia il testo di un&apos;area trascinata</translation>
    </message>
    <message>
        <source>Open or close the all-in-one bar</source>
        <translation>Apre o chiude la barra tutto in uno</translation>
    </message>
    <message>
        <source>Open the settings window</source>
        <translation>Apre la finestra delle impostazioni</translation>
    </message>
    <message>
        <source>Quit the running Glimpo</source>
        <translation>Chiude il Glimpo in esecuzione</translation>
    </message>
    <message>
        <source>SECONDS</source>
        <extracomment>The value --delay takes, in capitals as command lines write them.</extracomment>
        <translation>SECONDI</translation>
    </message>
    <message>
        <source>Wait before --area, --window, --fullscreen or --record (Escape cancels)</source>
        <translation>Attende prima di --area, --window, --fullscreen o --record (Esc annulla)</translation>
    </message>
    <message>
        <source>Show this help and exit</source>
        <translation>Mostra questo aiuto ed esce</translation>
    </message>
    <message>
        <source>Show the version and exit</source>
        <translation>Mostra la versione ed esce</translation>
    </message>
    <message>
        <source>--delay needs a number of seconds</source>
        <translation>--delay richiede un numero di secondi</translation>
    </message>
    <message>
        <source>--delay takes whole seconds from 0 to %1, not &apos;%2&apos;</source>
        <translation>--delay accetta secondi interi da 0 a %1, non &apos;%2&apos;</translation>
    </message>
    <message>
        <source>unknown option &apos;%1&apos;</source>
        <translation>opzione sconosciuta &apos;%1&apos;</translation>
    </message>
    <message>
        <source>give one action at a time</source>
        <translation>indicare un&apos;azione alla volta</translation>
    </message>
    <message>
        <source>--delay goes with --area, --window, --fullscreen or --record</source>
        <translation>--delay si usa con --area, --window, --fullscreen o --record</translation>
    </message>
    <message>
        <source>Usage: glimpo [OPTION]
       glimpo [--edit] FILE
Capture, record and read the screen from the system tray.
Without an option Glimpo starts in the tray, or opens the settings of the one running.
An action is carried out by the running Glimpo, which starts first when none runs.
</source>
        <translation>Uso: glimpo [OPZIONE]
     glimpo [--edit] FILE
Cattura, registra e legge lo schermo dall&apos;area di notifica.
Senza opzioni Glimpo si avvia nell&apos;area di notifica, o apre le impostazioni di quello in esecuzione.
Un&apos;azione viene eseguita dal Glimpo in esecuzione, che viene avviato se non ce n&apos;è uno.
</translation>
    </message>
    <message>
        <source>FILE</source>
        <extracomment>The value --edit takes, in capitals as command lines write them.</extracomment>
        <translation>FILE</translation>
    </message>
    <message>
        <source>Mark up a PNG or JPEG picture (the file alone does the same)</source>
        <translation>Annota un&apos;immagine PNG o JPEG (basta anche il solo file)</translation>
    </message>
    <message>
        <source>--edit needs a picture file</source>
        <translation>--edit richiede un file immagine</translation>
    </message>
    <message>
        <source>give one picture at a time</source>
        <translation>indicare un&apos;immagine alla volta</translation>
    </message>
    <message>
        <source>Capture a dragged area as it scrolls, taller than the screen</source>
        <translation>Cattura un&apos;area trascinata mentre scorre, più alta dello schermo</translation>
    </message>
</context>
<context>
    <name>CommandShortcutControls</name>
    <message>
        <source>Glimpo&apos;s shortcuts are set</source>
        <translation>Le scorciatoie di Glimpo sono impostate</translation>
    </message>
    <message>
        <source>Add Shortcuts</source>
        <translation>Aggiungi scorciatoie</translation>
    </message>
    <message>
        <source>Open Keyboard Shortcuts…</source>
        <translation>Apri scorciatoie da tastiera…</translation>
    </message>
    <message>
        <source>Adds %1, %2 and %3 to GNOME&apos;s custom shortcuts.</source>
        <translation>Aggiunge %1, %2 e %3 alle scorciatoie personalizzate di GNOME.</translation>
    </message>
    <message>
        <source>Add shortcuts that run glimpo --area, glimpo --fullscreen and glimpo --bar (glimpo --help lists every action).</source>
        <translation>Aggiungere scorciatoie che eseguono glimpo --area, glimpo --fullscreen e glimpo --bar (glimpo --help elenca tutte le azioni).</translation>
    </message>
</context>
<context>
    <name>DetachedLaunch</name>
    <message>
        <source>Glimpo couldn&apos;t be started.</source>
        <translation>Impossibile avviare Glimpo.</translation>
    </message>
</context>
<context>
    <name>DiskFileSystem</name>
    <message>
        <source>The capture file no longer exists.</source>
        <translation>Il file della cattura non esiste più.</translation>
    </message>
</context>
<context>
    <name>Error</name>
    <message>
        <source>Unknown error.</source>
        <translation>Errore sconosciuto.</translation>
    </message>
</context>
<context>
    <name>GnomeCommandShortcuts</name>
    <message>
        <source>GNOME&apos;s keyboard shortcuts couldn&apos;t be changed.</source>
        <translation>Impossibile modificare le scorciatoie da tastiera di GNOME.</translation>
    </message>
    <message>
        <source>Glimpo: Capture Area</source>
        <translation>Glimpo: cattura area</translation>
    </message>
    <message>
        <source>Glimpo: Capture Fullscreen</source>
        <translation>Glimpo: cattura schermo intero</translation>
    </message>
    <message>
        <source>Glimpo: All-in-One</source>
        <translation>Glimpo: tutto in uno</translation>
    </message>
    <message>
        <source>GNOME&apos;s settings schema isn&apos;t installed.</source>
        <translation>Lo schema delle impostazioni di GNOME non è installato.</translation>
    </message>
</context>
<context>
    <name>HideTextOffer</name>
    <message>
        <source>Hide Text</source>
        <translation>Nascondi testo</translation>
    </message>
</context>
<context>
    <name>HotKeyCapture</name>
    <message>
        <source>Include %1 or %2 in the shortcut.</source>
        <translation>Includere %1 o %2 nella scorciatoia.</translation>
    </message>
    <message>
        <source>The desktop uses %1 itself. Free it in the desktop&apos;s keyboard settings or choose another.</source>
        <translation>Il desktop usa già %1. Liberarla nelle impostazioni della tastiera del desktop o sceglierne un&apos;altra.</translation>
    </message>
</context>
<context>
    <name>HotKeyCenter</name>
    <message>
        <source>This shortcut is already used by the desktop or another app. Turn it off there or choose a different one.</source>
        <translation>Questa scorciatoia è già usata dal desktop o da un&apos;altra applicazione. Disattivarla lì o sceglierne un&apos;altra.</translation>
    </message>
    <message>
        <source>Glimpo can&apos;t take keys in this session. Bind the action in the desktop&apos;s keyboard settings (glimpo --help lists the commands).</source>
        <translation>In questa sessione Glimpo non può ricevere i tasti. Associare l&apos;azione nelle impostazioni della tastiera del desktop (glimpo --help elenca i comandi).</translation>
    </message>
    <message>
        <source>The desktop refused the shortcut (error %1).</source>
        <translation>Il desktop ha rifiutato la scorciatoia (errore %1).</translation>
    </message>
</context>
<context>
    <name>HotKeyRecorder</name>
    <message>
        <source>Remove Shortcut</source>
        <translation>Rimuovi scorciatoia</translation>
    </message>
    <message>
        <source>Remove shortcut</source>
        <translation>Rimuove la scorciatoia</translation>
    </message>
    <message>
        <source>Press shortcut…</source>
        <translation>Premere la scorciatoia…</translation>
    </message>
    <message>
        <source>Record Shortcut</source>
        <translation>Imposta scorciatoia</translation>
    </message>
    <message>
        <source>Move Here</source>
        <translation>Sposta qui</translation>
    </message>
    <message>
        <source>Keep Listening</source>
        <translation>Continua ad ascoltare</translation>
    </message>
    <message>
        <source>Already used by %1.</source>
        <translation>Già usata da %1.</translation>
    </message>
</context>
<context>
    <name>KeyNames</name>
    <message>
        <source>Space</source>
        <translation>Spazio</translation>
    </message>
    <message>
        <source>Return</source>
        <translation>Invio</translation>
    </message>
    <message>
        <source>Tab</source>
        <translation>Tab</translation>
    </message>
    <message>
        <source>Backspace</source>
        <translation>Backspace</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Canc</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Sinistra</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Destra</translation>
    </message>
    <message>
        <source>Down</source>
        <translation>Giù</translation>
    </message>
    <message>
        <source>Up</source>
        <translation>Su</translation>
    </message>
    <message>
        <source>Home</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>End</source>
        <translation>Fine</translation>
    </message>
    <message>
        <source>Page Up</source>
        <translation>Pag Su</translation>
    </message>
    <message>
        <source>Page Down</source>
        <translation>Pag Giù</translation>
    </message>
    <message>
        <source>Escape</source>
        <translation>Esc</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Stamp</translation>
    </message>
    <message>
        <source>Insert</source>
        <translation>Ins</translation>
    </message>
    <message>
        <source>Scroll Lock</source>
        <translation>Bloc Scorr</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pausa</translation>
    </message>
</context>
<context>
    <name>LoginItemControls</name>
    <message>
        <source>Enable</source>
        <translation>Attiva</translation>
    </message>
    <message>
        <source>Disable</source>
        <translation>Disattiva</translation>
    </message>
</context>
<context>
    <name>MarkupEditors</name>
    <message>
        <source>The file %1 doesn&apos;t exist.</source>
        <translation>Il file %1 non esiste.</translation>
    </message>
    <message>
        <source>%1 isn&apos;t a file.</source>
        <translation>%1 non è un file.</translation>
    </message>
    <message>
        <source>Glimpo can&apos;t read %1.</source>
        <translation>Glimpo non può leggere %1.</translation>
    </message>
    <message>
        <source>%1 isn&apos;t a PNG or JPEG picture.</source>
        <translation>%1 non è un&apos;immagine PNG o JPEG.</translation>
    </message>
    <message>
        <source>%1 couldn&apos;t be read: %2</source>
        <translation>Impossibile leggere %1: %2</translation>
    </message>
</context>
<context>
    <name>MarkupScene</name>
    <message>
        <source>Draw</source>
        <translation>Disegna</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Elimina</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Testo</translation>
    </message>
</context>
<context>
    <name>MarkupToolBar</name>
    <message>
        <source>Red</source>
        <translation>Rosso</translation>
    </message>
    <message>
        <source>Orange</source>
        <translation>Arancione</translation>
    </message>
    <message>
        <source>Yellow</source>
        <translation>Giallo</translation>
    </message>
    <message>
        <source>Green</source>
        <translation>Verde</translation>
    </message>
    <message>
        <source>Blue</source>
        <translation>Blu</translation>
    </message>
    <message>
        <source>Purple</source>
        <translation>Viola</translation>
    </message>
    <message>
        <source>Black</source>
        <translation>Nero</translation>
    </message>
    <message>
        <source>White</source>
        <translation>Bianco</translation>
    </message>
    <message>
        <source>Thin</source>
        <translation>Sottile</translation>
    </message>
    <message>
        <source>Medium</source>
        <translation>Medio</translation>
    </message>
    <message>
        <source>Thick</source>
        <translation>Spesso</translation>
    </message>
    <message>
        <source>Small Text</source>
        <translation>Testo piccolo</translation>
    </message>
    <message>
        <source>Medium Text</source>
        <translation>Testo medio</translation>
    </message>
    <message>
        <source>Large Text</source>
        <translation>Testo grande</translation>
    </message>
    <message>
        <source>Huge Text</source>
        <translation>Testo enorme</translation>
    </message>
    <message>
        <source>Markup Tools</source>
        <translation>Strumenti di annotazione</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Colour</source>
        <translation>Colore</translation>
    </message>
    <message>
        <source>Other Colour…</source>
        <translation>Altro colore…</translation>
    </message>
    <message>
        <source>Line Width</source>
        <translation>Spessore della linea</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Riempi</translation>
    </message>
    <message>
        <source>Fill rectangles and ellipses</source>
        <translation>Riempie rettangoli ed ellissi</translation>
    </message>
    <message>
        <source>Text Size</source>
        <translation>Dimensione del testo</translation>
    </message>
    <message>
        <source>Text Background</source>
        <translation>Sfondo del testo</translation>
    </message>
    <message>
        <source>Put text on a box of the colour</source>
        <translation>Mette il testo su un riquadro del colore scelto</translation>
    </message>
</context>
<context>
    <name>MarkupWindow</name>
    <message>
        <source>Move</source>
        <translation>Sposta</translation>
    </message>
    <message>
        <source>Typing</source>
        <translation>Digitazione</translation>
    </message>
    <message>
        <source>Crop</source>
        <translation>Ritaglia</translation>
    </message>
    <message>
        <source>Select</source>
        <translation>Seleziona</translation>
    </message>
    <message>
        <source>Click a mark to select it, drag it to move it, drag its corners to resize it. Delete removes it.</source>
        <translation>Fare clic su un segno per selezionarlo, trascinarlo per spostarlo, trascinarne gli angoli per ridimensionarlo. Canc lo elimina.</translation>
    </message>
    <message>
        <source>Arrow</source>
        <translation>Freccia</translation>
    </message>
    <message>
        <source>Drag from the tail to the point of the arrow. Shift keeps it to 45° steps.</source>
        <translation>Trascinare dalla coda alla punta della freccia. Maiusc la vincola a passi di 45°.</translation>
    </message>
    <message>
        <source>Line</source>
        <translation>Linea</translation>
    </message>
    <message>
        <source>Drag to draw a line. Shift keeps it to 45° steps.</source>
        <translation>Trascinare per disegnare una linea. Maiusc la vincola a passi di 45°.</translation>
    </message>
    <message>
        <source>Rectangle</source>
        <translation>Rettangolo</translation>
    </message>
    <message>
        <source>Drag to draw a rectangle; Shift makes a square. Fill fills it.</source>
        <translation>Trascinare per disegnare un rettangolo; Maiusc crea un quadrato. Riempi lo riempie.</translation>
    </message>
    <message>
        <source>Ellipse</source>
        <translation>Ellisse</translation>
    </message>
    <message>
        <source>Drag to draw an ellipse; Shift makes a circle. Fill fills it.</source>
        <translation>Trascinare per disegnare un&apos;ellisse; Maiusc crea un cerchio. Riempi la riempie.</translation>
    </message>
    <message>
        <source>Pen</source>
        <translation>Penna</translation>
    </message>
    <message>
        <source>Drag to draw freehand.</source>
        <translation>Trascinare per disegnare a mano libera.</translation>
    </message>
    <message>
        <source>Highlighter</source>
        <translation>Evidenziatore</translation>
    </message>
    <message>
        <source>Drag over what to highlight; hold Shift for a straight stroke.</source>
        <translation>Trascinare sopra ciò che si vuole evidenziare; tenere premuto Maiusc per un tratto diritto.</translation>
    </message>
    <message>
        <source>Text</source>
        <translation>Testo</translation>
    </message>
    <message>
        <source>Click where the text goes and type; Escape or a click elsewhere ends it. Double-click text to change it.</source>
        <translation>Fare clic dove va il testo e digitare; Esc o un clic altrove lo conclude. Fare doppio clic su un testo per modificarlo.</translation>
    </message>
    <message>
        <source>Numbered Step</source>
        <translation>Passo numerato</translation>
    </message>
    <message>
        <source>Click to place the next number. Deleting one renumbers the rest.</source>
        <translation>Fare clic per inserire il numero successivo. Eliminandone uno, gli altri vengono rinumerati.</translation>
    </message>
    <message>
        <source>Pixelate</source>
        <translation>Pixela</translation>
    </message>
    <message>
        <source>Drag over what to pixelate. The pixels under it are gone from the saved picture.</source>
        <translation>Trascinare sopra ciò che si vuole pixelare. I pixel sottostanti non restano nell&apos;immagine salvata.</translation>
    </message>
    <message>
        <source>Redact</source>
        <translation>Oscura</translation>
    </message>
    <message>
        <source>Drag over what to cover with a solid box. The pixels under it are gone from the saved picture.</source>
        <translation>Trascinare sopra ciò che si vuole coprire con un riquadro pieno. I pixel sottostanti non restano nell&apos;immagine salvata.</translation>
    </message>
    <message>
        <source>Drag the part of the picture to keep. Undo brings the rest back.</source>
        <translation>Trascinare la parte dell&apos;immagine da tenere. Annulla riporta il resto.</translation>
    </message>
    <message>
        <source>%1 – Glimpo Markup</source>
        <translation>%1 – Annotazioni di Glimpo</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>%1%</source>
        <translation>%1%</translation>
    </message>
    <message>
        <source>Colour</source>
        <translation>Colore</translation>
    </message>
    <message>
        <source>Line Width</source>
        <translation>Spessore della linea</translation>
    </message>
    <message>
        <source>Text Size</source>
        <translation>Dimensione del testo</translation>
    </message>
    <message>
        <source>Fill</source>
        <translation>Riempi</translation>
    </message>
    <message>
        <source>Text Background</source>
        <translation>Sfondo del testo</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Undo (Ctrl+Z)</source>
        <translation>Annulla (Ctrl+Z)</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Ripeti</translation>
    </message>
    <message>
        <source>Ctrl+Shift+Z</source>
        <translation>Ctrl+Shift+Z</translation>
    </message>
    <message>
        <source>Ctrl+Y</source>
        <translation>Ctrl+Y</translation>
    </message>
    <message>
        <source>Redo (Ctrl+Shift+Z)</source>
        <translation>Ripeti (Ctrl+Maiusc+Z)</translation>
    </message>
    <message>
        <source>Hide Text</source>
        <translation>Nascondi testo</translation>
    </message>
    <message>
        <source>K</source>
        <translation>K</translation>
    </message>
    <message>
        <source>Hide Text (K): find the text in the picture and cover what you choose</source>
        <translation>Nascondi testo (K): trova il testo nell&apos;immagine e copre ciò che si sceglie</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copia</translation>
    </message>
    <message>
        <source>Copy the picture (Ctrl+C)</source>
        <translation>Copia l&apos;immagine (Ctrl+C)</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Salva</translation>
    </message>
    <message>
        <source>Save as a new picture in the save folder (Ctrl+S)</source>
        <translation>Salva come nuova immagine nella cartella di salvataggio (Ctrl+S)</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Elimina</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Seleziona tutto</translation>
    </message>
    <message>
        <source>Ctrl+0</source>
        <translation>Ctrl+0</translation>
    </message>
    <message>
        <source>Actual Size</source>
        <translation>Dimensione reale</translation>
    </message>
    <message>
        <source>Ctrl+9</source>
        <translation>Ctrl+9</translation>
    </message>
    <message>
        <source>Fit in Window</source>
        <translation>Adatta alla finestra</translation>
    </message>
    <message>
        <source>Zoom In</source>
        <translation>Ingrandisci</translation>
    </message>
    <message>
        <source>Zoom Out</source>
        <translation>Riduci</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Hide</source>
        <translation>Nascondi</translation>
    </message>
    <message>
        <source>Couldn&apos;t export the picture</source>
        <translation>Impossibile esportare l&apos;immagine</translation>
    </message>
    <message>
        <source>Couldn&apos;t save</source>
        <translation>Impossibile salvare</translation>
    </message>
    <message>
        <source>Reading the text in the picture…</source>
        <translation>Lettura del testo nell&apos;immagine…</translation>
    </message>
    <message>
        <source>The text couldn&apos;t be read: %1</source>
        <translation>Impossibile leggere il testo: %1</translation>
    </message>
    <message>
        <source>No text found in the picture.</source>
        <translation>Nessun testo trovato nell&apos;immagine.</translation>
    </message>
    <message>
        <source>Click a box to keep or drop it. E-mail addresses, long numbers and keys are chosen already. %1 of %2 boxes chosen.</source>
        <translation>Fare clic su un riquadro per tenerlo o toglierlo. Indirizzi e-mail, numeri lunghi e chiavi sono già scelti. Riquadri scelti: %1 di %2.</translation>
    </message>
    <message>
        <source>Discard changes?</source>
        <translation>Scartare le modifiche?</translation>
    </message>
    <message>
        <source>The marks on this picture haven&apos;t been saved, copied or dragged anywhere.</source>
        <translation>Le annotazioni su questa immagine non sono state salvate, copiate né trascinate altrove.</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Scarta</translation>
    </message>
    <message numerus="yes">
        <source>Hide %n Boxes</source>
        <translation>
            <numerusform>Nascondi %n riquadro</numerusform>
            <numerusform>Nascondi %n riquadri</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MicrophoneControls</name>
    <message>
        <source>Allowed</source>
        <translation>Consentito</translation>
    </message>
    <message>
        <source>Open Microphone Settings…</source>
        <translation>Apri impostazioni del microfono…</translation>
    </message>
</context>
<context>
    <name>Modules</name>
    <message>
        <source>A part of Glimpo is missing (%1). Reinstall Glimpo.</source>
        <translation>Manca una parte di Glimpo (%1). Reinstallare Glimpo.</translation>
    </message>
    <message>
        <source>A part of Glimpo is damaged (%1). Reinstall Glimpo.</source>
        <translation>Una parte di Glimpo è danneggiata (%1). Reinstallare Glimpo.</translation>
    </message>
    <message>
        <source>A part of Glimpo is from another version (%1). Reinstall Glimpo.</source>
        <translation>Una parte di Glimpo è di un&apos;altra versione (%1). Reinstalla Glimpo.</translation>
    </message>
</context>
<context>
    <name>OverlayDrawing</name>
    <message>
        <source>Record</source>
        <translation>Registra</translation>
    </message>
</context>
<context>
    <name>PanelSelectionOverlayController</name>
    <message>
        <source>This desktop doesn&apos;t show Glimpo its windows. Drag over the window to capture it as an area.</source>
        <translation>Questo desktop non mostra le sue finestre a Glimpo. Trascinare sopra la finestra per catturarla come area.</translation>
    </message>
</context>
<context>
    <name>PictureDragHandle</name>
    <message>
        <source>Drag the picture into another app</source>
        <translation>Trascinare l&apos;immagine in un&apos;altra applicazione</translation>
    </message>
    <message>
        <source>Drag the picture</source>
        <translation>Trascina l&apos;immagine</translation>
    </message>
</context>
<context>
    <name>PipeWireScreenStream</name>
    <message>
        <source>The shared screen is no longer available.</source>
        <translation>Lo schermo condiviso non è più disponibile.</translation>
    </message>
    <message>
        <source>The shared screen stopped: %1.</source>
        <translation>Lo schermo condiviso si è interrotto: %1.</translation>
    </message>
    <message>
        <source>The screen can&apos;t be recorded: PipeWire could not start.</source>
        <translation>Impossibile registrare lo schermo: PipeWire non è riuscito ad avviarsi.</translation>
    </message>
    <message>
        <source>The screen can&apos;t be recorded: the shared screen could not be reached.</source>
        <translation>Impossibile registrare lo schermo: lo schermo condiviso non è raggiungibile.</translation>
    </message>
    <message>
        <source>The screen can&apos;t be recorded: the shared screen sent nothing.</source>
        <translation>Impossibile registrare lo schermo: lo schermo condiviso non ha inviato nulla.</translation>
    </message>
    <message>
        <source>The screen can&apos;t be recorded: %1.</source>
        <translation>Impossibile registrare lo schermo: %1.</translation>
    </message>
</context>
<context>
    <name>PortalHotKeyBackend</name>
    <message>
        <source>The desktop has no global shortcuts portal.</source>
        <translation>Il desktop non ha un portale per le scorciatoie globali.</translation>
    </message>
    <message>
        <source>The desktop didn&apos;t open a shortcut session.</source>
        <translation>Il desktop non ha aperto una sessione di scorciatoie.</translation>
    </message>
    <message>
        <source>Glimpo action %1</source>
        <translation>Azione di Glimpo %1</translation>
    </message>
    <message>
        <source>The desktop didn&apos;t take Glimpo&apos;s shortcuts.</source>
        <translation>Il desktop non ha accettato le scorciatoie di Glimpo.</translation>
    </message>
</context>
<context>
    <name>PortalRequest</name>
    <message>
        <source>The desktop portal refused the request: %1</source>
        <translation>Il portale del desktop ha rifiutato la richiesta: %1</translation>
    </message>
    <message>
        <source>The desktop portal did not answer.</source>
        <translation>Il portale del desktop non ha risposto.</translation>
    </message>
</context>
<context>
    <name>PulseAudioCapture</name>
    <message>
        <source>The sound can&apos;t be recorded: the sound server can&apos;t be reached.</source>
        <translation>Impossibile registrare l&apos;audio: il server audio non è raggiungibile.</translation>
    </message>
    <message>
        <source>System audio</source>
        <translation>Audio di sistema</translation>
    </message>
    <message>
        <source>Microphone</source>
        <translation>Microfono</translation>
    </message>
    <message>
        <source>The sound can&apos;t be recorded: the sound server refused to record.</source>
        <translation>Impossibile registrare l&apos;audio: il server audio ha rifiutato la registrazione.</translation>
    </message>
</context>
<context>
    <name>QuickAccessController</name>
    <message>
        <source>Couldn&apos;t save: %1</source>
        <translation>Impossibile salvare: %1</translation>
    </message>
</context>
<context>
    <name>QuickAccessThumbnailView</name>
    <message>
        <source>Copied</source>
        <translation>Copiato</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copia</translation>
    </message>
    <message>
        <source>Show in Folder</source>
        <translation>Mostra nella cartella</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Salva</translation>
    </message>
    <message>
        <source>Try Again</source>
        <translation>Riprova</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Chiudi</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Scarta</translation>
    </message>
</context>
<context>
    <name>RecordingWriter</name>
    <message>
        <source>Nothing was recorded.</source>
        <translation>Non è stato registrato nulla.</translation>
    </message>
    <message>
        <source>The recording couldn&apos;t be finished.</source>
        <translation>Impossibile completare la registrazione.</translation>
    </message>
    <message>
        <source>The recording file couldn&apos;t be created.</source>
        <translation>Impossibile creare il file della registrazione.</translation>
    </message>
    <message>
        <source>The recording format isn&apos;t supported on this computer.</source>
        <translation>Il formato di registrazione non è supportato su questo computer.</translation>
    </message>
    <message>
        <source>The recording couldn&apos;t start: %1</source>
        <translation>Impossibile avviare la registrazione: %1</translation>
    </message>
    <message>
        <source>unknown error</source>
        <translation>errore sconosciuto</translation>
    </message>
</context>
<context>
    <name>SaveError</name>
    <message>
        <source>The save folder doesn&apos;t exist.</source>
        <translation>La cartella di salvataggio non esiste.</translation>
    </message>
    <message>
        <source>Glimpo can&apos;t write to the save folder.</source>
        <translation>Glimpo non può scrivere nella cartella di salvataggio.</translation>
    </message>
    <message>
        <source>The disk is full.</source>
        <translation>Il disco è pieno.</translation>
    </message>
    <message>
        <source>The file couldn&apos;t be moved.</source>
        <translation>Impossibile spostare il file.</translation>
    </message>
</context>
<context>
    <name>ScreenCaptureError</name>
    <message>
        <source>The screen is no longer available.</source>
        <translation>Lo schermo non è più disponibile.</translation>
    </message>
    <message>
        <source>The window is no longer available.</source>
        <translation>La finestra non è più disponibile.</translation>
    </message>
</context>
<context>
    <name>ScreenCaptureService</name>
    <message>
        <source>The selected area is outside the screen.</source>
        <translation>L&apos;area selezionata è fuori dallo schermo.</translation>
    </message>
</context>
<context>
    <name>ScreenCastPortal</name>
    <message>
        <source>Screen recording was not allowed.</source>
        <translation>La registrazione dello schermo non è stata consentita.</translation>
    </message>
    <message>
        <source>The desktop couldn&apos;t share the screen.</source>
        <translation>Il desktop non è riuscito a condividere lo schermo.</translation>
    </message>
    <message>
        <source>The desktop shared no screen.</source>
        <translation>Il desktop non ha condiviso alcuno schermo.</translation>
    </message>
    <message>
        <source>Glimpo can&apos;t record the screen: this Wayland session has no screen-sharing portal. Install xdg-desktop-portal and the portal backend for your desktop.</source>
        <translation>Glimpo non può registrare lo schermo: questa sessione Wayland non ha un portale di condivisione dello schermo. Installare xdg-desktop-portal e il backend del portale per il proprio desktop.</translation>
    </message>
</context>
<context>
    <name>ScreenRecordingControls</name>
    <message>
        <source>Allowed</source>
        <translation>Consentito</translation>
    </message>
    <message>
        <source>Open Privacy Settings…</source>
        <translation>Apri impostazioni della privacy…</translation>
    </message>
    <message>
        <source>Turn on Glimpo, then reopen it.</source>
        <translation>Attivare Glimpo, quindi riaprirlo.</translation>
    </message>
</context>
<context>
    <name>ScreenshotPortal</name>
    <message>
        <source>The desktop couldn&apos;t take the screenshot.</source>
        <translation>Il desktop non è riuscito a catturare la schermata.</translation>
    </message>
    <message>
        <source>The desktop&apos;s screenshot couldn&apos;t be read.</source>
        <translation>Impossibile leggere la schermata del desktop.</translation>
    </message>
    <message>
        <source>Glimpo can&apos;t capture the screen: this Wayland session has no screenshot portal. Install xdg-desktop-portal and the portal backend for your desktop.</source>
        <translation>Glimpo non può catturare lo schermo: questa sessione Wayland non ha un portale per le schermate. Installare xdg-desktop-portal e il backend del portale per il proprio desktop.</translation>
    </message>
    <message>
        <source>Screen capture was not allowed.</source>
        <translation>La cattura dello schermo non è stata consentita.</translation>
    </message>
</context>
<context>
    <name>ScrollCaptureController</name>
    <message>
        <source>Glimpo can&apos;t read the screen.</source>
        <translation>Glimpo non riesce a leggere lo schermo.</translation>
    </message>
    <message>
        <source>The area is too small for a scrolling capture.</source>
        <translation>L&apos;area è troppo piccola per una cattura a scorrimento.</translation>
    </message>
    <message>
        <source>Nothing was captured.</source>
        <translation>Non è stato catturato nulla.</translation>
    </message>
    <message>
        <source>The shared screen doesn&apos;t show the selected area. Share the screen it is on.</source>
        <translation>Lo schermo condiviso non mostra l&apos;area selezionata. Condividi lo schermo su cui si trova.</translation>
    </message>
    <message>
        <source>The shared screen sent nothing.</source>
        <translation>Lo schermo condiviso non ha inviato nulla.</translation>
    </message>
</context>
<context>
    <name>ScrollCapturePanel</name>
    <message>
        <source>Scrolling Capture</source>
        <translation>Cattura a scorrimento</translation>
    </message>
    <message>
        <source>Glimpo is scrolling. Press Esc or Enter, or click, to stop. To scroll yourself, point at the area.</source>
        <translation>Glimpo sta scorrendo. Premi Esc o Invio, o fai clic, per fermarti. Per scorrere tu stesso, punta sull&apos;area.</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Ferma</translation>
    </message>
    <message>
        <source>Scroll the area now, with the wheel or the keys. Press Enter or click Done at the end.</source>
        <translation>Ora scorri l&apos;area con la rotella o i tasti. Alla fine premi Invio o fai clic su Fatto.</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fatto</translation>
    </message>
    <message>
        <source>The area didn&apos;t scroll by itself. Scroll it with the wheel or the keys, then press Enter or click.</source>
        <translation>L&apos;area non è scorsa da sola. Scorrila con la rotella o i tasti, poi premi Invio o fai clic.</translation>
    </message>
    <message numerus="yes">
        <source>%Ln pixel(s) tall</source>
        <translation>
            <numerusform>%Ln pixel di altezza</numerusform>
            <numerusform>%Ln pixel di altezza</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SettingsPages</name>
    <message>
        <source>Glimpo can&apos;t open the privacy settings here. Allow screen capture in your desktop&apos;s privacy settings.</source>
        <translation>Glimpo non può aprire qui le impostazioni della privacy. Consentire la cattura dello schermo nelle impostazioni della privacy del desktop.</translation>
    </message>
    <message>
        <source>Glimpo can&apos;t open the sound settings here. Choose a microphone in your desktop&apos;s sound settings.</source>
        <translation>Glimpo non può aprire qui le impostazioni audio. Scegliere un microfono nelle impostazioni audio del desktop.</translation>
    </message>
    <message>
        <source>Glimpo can&apos;t open the keyboard settings here. Turn off the screenshot shortcuts in your desktop&apos;s keyboard settings.</source>
        <translation>Glimpo non può aprire qui le impostazioni della tastiera. Disattivare le scorciatoie per le schermate nelle impostazioni della tastiera del desktop.</translation>
    </message>
</context>
<context>
    <name>SettingsView</name>
    <message>
        <source>Choose…</source>
        <translation>Scegli…</translation>
    </message>
    <message>
        <source>Save to</source>
        <translation>Salva in</translation>
    </message>
    <message>
        <source> s</source>
        <extracomment>After the number of seconds, as in &quot;6 s&quot;.</extracomment>
        <translation> s</translation>
    </message>
    <message>
        <source>Thumbnail stays for</source>
        <translation>La miniatura resta per</translation>
    </message>
    <message>
        <source>Play sounds</source>
        <translation>Riproduci suoni</translation>
    </message>
    <message>
        <source>Open at login</source>
        <translation>Avvia all&apos;accesso</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Scorciatoie da tastiera</translation>
    </message>
    <message>
        <source>The desktop still uses some of these shortcuts for its own screenshots.</source>
        <translation>Il desktop usa ancora alcune di queste scorciatoie per le proprie schermate.</translation>
    </message>
    <message>
        <source>Open Keyboard Shortcuts…</source>
        <translation>Apri scorciatoie da tastiera…</translation>
    </message>
    <message>
        <source>Show Welcome Guide…</source>
        <translation>Mostra la guida di benvenuto…</translation>
    </message>
    <message>
        <source>Choose</source>
        <translation>Scegli</translation>
    </message>
    <message>
        <source>Captures you don&apos;t save are discarded when their thumbnail closes.</source>
        <translation>Le catture non salvate vengono scartate quando si chiude la loro miniatura.</translation>
    </message>
    <message>
        <source>Save captures automatically</source>
        <translation>Salva automaticamente le catture</translation>
    </message>
</context>
<context>
    <name>SetupGuide</name>
    <message>
        <source>The login item couldn&apos;t be changed: %1</source>
        <translation>Impossibile modificare l&apos;avvio all&apos;accesso: %1</translation>
    </message>
</context>
<context>
    <name>ShortcutLabels</name>
    <message>
        <source>Ctrl</source>
        <extracomment>The Control key, as the desktop writes it in shortcuts.</extracomment>
        <translation>Ctrl</translation>
    </message>
    <message>
        <source>Alt</source>
        <extracomment>The Alt key, as the desktop writes it in shortcuts.</extracomment>
        <translation>Alt</translation>
    </message>
    <message>
        <source>Shift</source>
        <extracomment>The Shift key, as the desktop writes it in shortcuts.</extracomment>
        <translation>Maiusc</translation>
    </message>
    <message>
        <source>Meta</source>
        <extracomment>The Super (Windows) key, as GNOME and KDE write it in shortcuts.</extracomment>
        <translation>Meta</translation>
    </message>
    <message>
        <source>Super</source>
        <translation>Super</translation>
    </message>
</context>
<context>
    <name>ShortcutService</name>
    <message>
        <source>Already used by %1.</source>
        <translation>Già usata da %1.</translation>
    </message>
</context>
<context>
    <name>StatusItemController</name>
    <message>
        <source>Stop Recording</source>
        <translation>Ferma registrazione</translation>
    </message>
    <message>
        <source>Open Save Folder</source>
        <translation>Apri cartella di salvataggio</translation>
    </message>
    <message>
        <source>Settings…</source>
        <translation>Impostazioni…</translation>
    </message>
    <message>
        <source>Quit Glimpo</source>
        <translation>Esci da Glimpo</translation>
    </message>
</context>
<context>
    <name>StepBadge</name>
    <message>
        <source>Step %1, done</source>
        <translation>Passo %1, completato</translation>
    </message>
    <message>
        <source>Step %1</source>
        <translation>Passo %1</translation>
    </message>
</context>
<context>
    <name>StreamScreenRecorder</name>
    <message>
        <source>The shared screen doesn&apos;t show the selected area. Share the screen it is on.</source>
        <translation>Lo schermo condiviso non mostra l&apos;area selezionata. Condividere lo schermo su cui si trova.</translation>
    </message>
    <message>
        <source>A recording that was cut short was saved.</source>
        <translation>È stata salvata una registrazione interrotta prima del tempo.</translation>
    </message>
</context>
<context>
    <name>SystemShortcutControls</name>
    <message>
        <source>Glimpo has the shortcuts</source>
        <translation>Le scorciatoie sono di Glimpo</translation>
    </message>
    <message>
        <source>Open Keyboard Shortcuts…</source>
        <translation>Apri scorciatoie da tastiera…</translation>
    </message>
    <message>
        <source>Where the desktop keeps a key for itself, set it to run a command such as glimpo --area (glimpo --help lists them).</source>
        <translation>Dove il desktop tiene un tasto per sé, impostarlo per eseguire un comando come glimpo --area (glimpo --help li elenca).</translation>
    </message>
</context>
<context>
    <name>TesseractTextEngine</name>
    <message>
        <source>The text recognition data for English and Italian isn&apos;t installed.</source>
        <translation>I dati per il riconoscimento del testo in inglese e in italiano non sono installati.</translation>
    </message>
    <message>
        <source>The text recogniser couldn&apos;t read this picture.</source>
        <translation>Il riconoscimento del testo non è riuscito a leggere questa immagine.</translation>
    </message>
</context>
<context>
    <name>WelcomeView</name>
    <message>
        <source>Welcome to Glimpo</source>
        <translation>Benvenuto in Glimpo</translation>
    </message>
    <message>
        <source>Screenshots and recordings from the tray. Two steps are required, the others are optional.</source>
        <translation>Schermate e registrazioni dall&apos;area di notifica. Due passi sono necessari, gli altri sono facoltativi.</translation>
    </message>
    <message>
        <source>Allow Screen Recording</source>
        <translation>Consenti la registrazione dello schermo</translation>
    </message>
    <message>
        <source>Glimpo needs it to take screenshots and recordings. Nothing leaves your computer.</source>
        <translation>Glimpo ne ha bisogno per catturare schermate e registrazioni. Nulla lascia il computer.</translation>
    </message>
    <message>
        <source>Add Glimpo to the desktop&apos;s shortcuts</source>
        <translation>Aggiungi Glimpo alle scorciatoie del desktop</translation>
    </message>
    <message>
        <source>In a Wayland session the desktop keeps the keyboard: its own shortcuts run Glimpo.</source>
        <translation>In una sessione Wayland la tastiera resta al desktop: sono le sue scorciatoie ad avviare Glimpo.</translation>
    </message>
    <message>
        <source>Turn off the desktop&apos;s screenshot shortcuts</source>
        <translation>Disattiva le scorciatoie del desktop per le schermate</translation>
    </message>
    <message>
        <source>Glimpo uses %1, %2 and %3. Turn off the &quot;Screenshots&quot; shortcuts in Keyboard Shortcuts.</source>
        <extracomment>&quot;Screenshots&quot; and &quot;Keyboard Shortcuts&quot; name the sections of the desktop&apos;s keyboard settings.</extracomment>
        <translation>Glimpo usa %1, %2 e %3. Disattivare le scorciatoie «Schermate» in Scorciatoie da tastiera.</translation>
    </message>
    <message>
        <source>Microphone (optional)</source>
        <translation>Microfono (facoltativo)</translation>
    </message>
    <message>
        <source>Only needed to record your voice with screen recordings.</source>
        <translation>Serve solo per registrare la propria voce insieme allo schermo.</translation>
    </message>
    <message>
        <source>Open at login</source>
        <translation>Avvia all&apos;accesso</translation>
    </message>
    <message>
        <source>Keep Glimpo ready in the tray after a restart.</source>
        <translation>Tiene Glimpo pronto nell&apos;area di notifica dopo un riavvio.</translation>
    </message>
    <message>
        <source>Press %1 to capture an area.</source>
        <translation>Premere %1 per catturare un&apos;area.</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fatto</translation>
    </message>
</context>
<context>
    <name>X11ScreenStream</name>
    <message>
        <source>The display is no longer available.</source>
        <translation>Lo schermo non è più disponibile.</translation>
    </message>
    <message>
        <source>The display reported an error.</source>
        <translation>Lo schermo ha segnalato un errore.</translation>
    </message>
    <message>
        <source>The screen can&apos;t be recorded: the display is no longer available.</source>
        <translation>Impossibile registrare lo schermo: lo schermo non è più disponibile.</translation>
    </message>
    <message>
        <source>The area to record is not on the screen.</source>
        <translation>L&apos;area da registrare non è sullo schermo.</translation>
    </message>
    <message>
        <source>The screen can&apos;t be recorded: the display lacks shared memory, damage or cursor support.</source>
        <translation>Impossibile registrare lo schermo: il display non supporta la memoria condivisa, le notifiche di danno o il cursore.</translation>
    </message>
    <message>
        <source>The screen can&apos;t be recorded: there is not enough memory.</source>
        <translation>Impossibile registrare lo schermo: la memoria non è sufficiente.</translation>
    </message>
    <message>
        <source>The screen can&apos;t be recorded: the display shares no memory with Glimpo.</source>
        <translation>Impossibile registrare lo schermo: il display non condivide memoria con Glimpo.</translation>
    </message>
    <message>
        <source>The recording format isn&apos;t supported on this computer.</source>
        <translation>Il formato di registrazione non è supportato su questo computer.</translation>
    </message>
</context>
<context>
    <name>XcbCaptureBackend</name>
    <message>
        <source>Glimpo can&apos;t reach the X server.</source>
        <translation>Glimpo non riesce a raggiungere il server X.</translation>
    </message>
    <message>
        <source>The screen&apos;s pixel format isn&apos;t supported.</source>
        <translation>Il formato dei pixel dello schermo non è supportato.</translation>
    </message>
    <message>
        <source>There isn&apos;t enough memory for the screenshot.</source>
        <translation>La memoria non è sufficiente per la schermata.</translation>
    </message>
</context>
<context>
    <name>main</name>
    <message>
        <source>the running Glimpo did not answer.</source>
        <translation>il Glimpo in esecuzione non ha risposto.</translation>
    </message>
    <message>
        <source>Glimpo isn&apos;t running.</source>
        <translation>Glimpo non è in esecuzione.</translation>
    </message>
</context>
</TS>
