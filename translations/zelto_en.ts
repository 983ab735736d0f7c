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
    <name>zelto::PlayFieldWindow</name>
    <message>
        <source>Pausa</source>
        <translation>Pause</translation>
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
