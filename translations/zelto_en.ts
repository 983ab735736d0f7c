<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="it">
<context>
    <name>zelto::Commands</name>
    <message>
        <source>Sinistra</source>
        <translation>Left</translation>
    </message>
    <message>
        <source>Destra</source>
        <translation>Right</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Laser</source>
        <translation>Laser</translation>
    </message>
    <message>
        <source>Turbo</source>
        <translation>Turbo</translation>
    </message>
    <message>
        <source>Blocca il turbo</source>
        <translation>Turbo off</translation>
    </message>
    <message>
        <source>Attiva la musica</source>
        <translation>Music on</translation>
    </message>
    <message>
        <source>Ferma la musica</source>
        <translation>Music off</translation>
    </message>
    <message>
        <source>Esci</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Pausa</source>
        <translation>Pause</translation>
    </message>
    <message>
        <source>Schermo intero</source>
        <translation>Full screen</translation>
    </message>
    <message>
        <source>Spazio</source>
        <translation>Space</translation>
    </message>
    <message>
        <source>Pausa, Esc</source>
        <translation>Pause, Esc</translation>
    </message>
</context>
<context>
    <name>zelto::Form2</name>
    <message>
        <source>&amp;Info</source>
        <translation>&amp;Info</translation>
    </message>
    <message>
        <source>&amp;Keyboard</source>
        <translation>&amp;Keyboard</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Play</translation>
    </message>
    <message>
        <source>&amp;Esci</source>
        <translation>&amp;Quit</translation>
    </message>
</context>
<context>
    <name>zelto::Form3</name>
    <message>
        <source>A = Attiva la musica</source>
        <translation>A = Music on</translation>
    </message>
    <message>
        <source>S = Ferma la musica</source>
        <translation>S = Music off</translation>
    </message>
    <message>
        <source>Z = Sinistra</source>
        <translation>Z = Left</translation>
    </message>
    <message>
        <source>X = Destra</source>
        <translation>X = Right</translation>
    </message>
    <message>
        <source>M = Laser</source>
        <translation>M = Laser</translation>
    </message>
    <message>
        <source>L = Turbo</source>
        <translation>L = Turbo</translation>
    </message>
    <message>
        <source>K = Blocca il turbo</source>
        <translation>K = Turbo off</translation>
    </message>
    <message>
        <source>P = Stop</source>
        <translation>P = Stop</translation>
    </message>
    <message>
        <source>Q = Esci</source>
        <translation>Q = Quit</translation>
    </message>
    <message>
        <source>&amp;Esci</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>Tasti</source>
        <translation>Keys</translation>
    </message>
</context>
<context>
    <name>zelto::NameBox</name>
    <message>
        <source>Nome</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>%1 punti: una delle tue dieci partite migliori!</source>
        <translation>%1 points: one of your ten best games!</translation>
    </message>
    <message>
        <source>&amp;Nome:</source>
        <translation>&amp;Name:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>zelto::PlayFieldWindow</name>
    <message>
        <source>Pausa</source>
        <translation>Pause</translation>
    </message>
</context>
<context>
    <name>zelto::ScoresWindow</name>
    <message>
        <source>Punteggi</source>
        <translation>Scores</translation>
    </message>
    <message>
        <source>N.</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>Nome</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Punti</source>
        <translation>Points</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>Durata</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>(senza nome)</source>
        <translation>(no name)</translation>
    </message>
    <message>
        <source>&amp;Guarda</source>
        <translation>&amp;Watch</translation>
    </message>
    <message>
        <source>&amp;Salva</source>
        <translation>&amp;Save</translation>
    </message>
    <message>
        <source>&amp;Esci</source>
        <translation>&amp;Close</translation>
    </message>
    <message>
        <source>Salva la partita</source>
        <translation>Save the game</translation>
    </message>
    <message>
        <source>Partite di Zelto (*.zrp)</source>
        <translation>Zelto games (*.zrp)</translation>
    </message>
    <message>
        <source>zelto-%1-punti.zrp</source>
        <translation>zelto-%1-points.zrp</translation>
    </message>
    <message>
        <source>La partita da %1 punti non si può usare:
%2</source>
        <translation>The game of %1 points cannot be used:
%2</translation>
    </message>
    <message>
        <source>Le &amp;tue</source>
        <translation>&amp;Yours</translation>
    </message>
    <message>
        <source>&amp;Online</source>
        <translation>&amp;Online</translation>
    </message>
    <message>
        <source>Ta&amp;bellone:</source>
        <translation>&amp;Board:</translation>
    </message>
    <message>
        <source>in attesa</source>
        <translation>waiting</translation>
    </message>
    <message>
        <source>rifiutata</source>
        <translation>refused</translation>
    </message>
    <message>
        <source>%1°</source>
        <translation>#%1</translation>
    </message>
    <message>
        <source>In attesa di invio al tabellone</source>
        <translation>Waiting to be sent to the board</translation>
    </message>
    <message>
        <source>Sul tabellone: %1° posto, partita n. %2</source>
        <translation>On the board: place %1, game #%2</translation>
    </message>
    <message>
        <source>Rifiutata dal tabellone: %1</source>
        <translation>Refused by the board: %1</translation>
    </message>
    <message>
        <source>Scrivi l&apos;indirizzo di un tabellone e premi Invio: vi andranno le tue partite migliori (la registrazione e il nome).</source>
        <translation>Type a score board&apos;s address and press Enter: your best games will go there (the recording and the name).</translation>
    </message>
    <message>
        <source>Chiedo al tabellone...</source>
        <translation>Asking the board...</translation>
    </message>
    <message>
        <source>Il tabellone non risponde: %1</source>
        <translation>The board does not answer: %1</translation>
    </message>
    <message>
        <source>Il tuo posto migliore: %1° su %2</source>
        <translation>Your best place: %1 of %2</translation>
    </message>
    <message>
        <source>Nessuna tua partita sul tabellone (%1 in tutto)</source>
        <translation>None of your games on the board (%1 in all)</translation>
    </message>
    <message>
        <source>%1 in attesa di invio</source>
        <translation>%1 waiting to be sent</translation>
    </message>
    <message>
        <source>rifiutata: %1</source>
        <translation>refused: %1</translation>
    </message>
</context>
<context>
    <name>zelto::SettingsWindow</name>
    <message>
        <source>&amp;Frecce e Spazio</source>
        <translation>&amp;Arrows and Space</translation>
    </message>
    <message>
        <source>Solo &amp;lettere</source>
        <translation>&amp;Letters only</translation>
    </message>
    <message>
        <source>Schermo &amp;intero</source>
        <translation>&amp;Full screen</translation>
    </message>
    <message>
        <source>&amp;Musica all&apos;inizio della partita</source>
        <translation>Music at the &amp;start of a game</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>&amp;Annulla</source>
        <translation>&amp;Cancel</translation>
    </message>
    <message>
        <source>Impostazioni</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Tasti</source>
        <translation>Keys</translation>
    </message>
    <message>
        <source>Comando</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>Tasto</source>
        <translation>Key</translation>
    </message>
    <message>
        <source>Altri tasti</source>
        <translation>Other keys</translation>
    </message>
    <message>
        <source>Aggiungi un tasto per «%1»</source>
        <translation>Add a key for “%1”</translation>
    </message>
    <message>
        <source>Togli gli altri tasti di «%1»</source>
        <translation>Remove the other keys of “%1”</translation>
    </message>
    <message>
        <source>Partita</source>
        <translation>Game</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>M&amp;usica</source>
        <translation>M&amp;usic</translation>
    </message>
    <message>
        <source>&amp;Effetti</source>
        <translation>&amp;Effects</translation>
    </message>
    <message>
        <source>Premi il tasto per «%1» (Esc: nessuno)</source>
        <translation>Press the key for “%1” (Esc: none)</translation>
    </message>
    <message>
        <source>%1 è un tasto fisso del gioco.</source>
        <translation>%1 is one of the game’s own keys.</translation>
    </message>
    <message>
        <source>«+» aggiunge il prossimo tasto premuto, «−» toglie gli altri tasti.</source>
        <translation>“+” adds the next key pressed, “−” removes the other keys.</translation>
    </message>
</context>
<context>
    <name>zelto::WarningBoxes</name>
    <message>
        <source>GameOver</source>
        <translation>Game Over</translation>
    </message>
    <message>
        <source>Zelto!</source>
        <translation>Zelto!</translation>
    </message>
</context>
<context>
    <name>zelto::Watching</name>
    <message>
        <source>Zelto non può mostrare la registrazione %1:
%2</source>
        <translation>Zelto cannot show the recording %1:
%2</translation>
    </message>
</context>
<context>
    <name>zelto::frmAbout</name>
    <message>
        <source>© 2026 gli autori di Zelto</source>
        <translation>© 2026 the Zelto authors</translation>
    </message>
    <message>
        <source>Avvertenza: questo programma è fornito così com&apos;è, senza garanzie di alcun tipo, esplicite o implicite. Chi lo usa lo fa a proprio rischio.</source>
        <translation>Warning: this program is provided as is, without warranty of any kind, express or implied. Whoever uses it does so at their own risk.</translation>
    </message>
    <message>
        <source>Clicca per accedere al sito</source>
        <translation>Click to visit the web site</translation>
    </message>
    <message>
        <source>Informazioni su %1</source>
        <translation>About %1</translation>
    </message>
    <message>
        <source>Versione %1.%2.%3</source>
        <translation>Version %1.%2.%3</translation>
    </message>
</context>
</TS>
