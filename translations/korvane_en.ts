<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US">
<context>
    <name>CommandLine</name>
    <message>
        <source>Korvane, a MIDI pad instrument.</source>
        <translation>Korvane, a MIDI pad instrument.</translation>
    </message>
    <message>
        <source>Show this help and exit.</source>
        <translation>Show this help and exit.</translation>
    </message>
    <message>
        <source>Show the version and exit.</source>
        <translation>Show the version and exit.</translation>
    </message>
    <message>
        <source>Print the MIDI output devices, one per line, and exit.</source>
        <translation>Print the MIDI output devices, one per line, and exit.</translation>
    </message>
    <message>
        <source>Open the first output device whose name contains TEXT at start-up.</source>
        <translation>Open the first output device whose name contains TEXT at start-up.</translation>
    </message>
    <message>
        <source>Show the window in Japanese (ja) or English (en) whatever the locale.</source>
        <translation>Show the window in Japanese (ja) or English (en) whatever the locale.</translation>
    </message>
    <message>
        <source>
Environment:
  KORVANE_SOUNDFONT     SoundFont of the built-in synthesizer (default: the system&apos;s
                        General MIDI SoundFont in /usr/share/sounds/sf2)
  KORVANE_SYNTH_DRIVER  the synthesizer&apos;s one audio output (pipewire, jack, pulseaudio, alsa, file, none)
  KORVANE_SYNTH_FILE    output file of the &quot;file&quot; output (default: korvane.wav)
  KORVANE_AUDIO_QUANTUM frames per audio buffer asked for (default: 128)
  KORVANE_SYNTH_PPM     the &quot;file&quot; output&apos;s device clock, parts per million fast
  KORVANE_MIDI_LOG      when set, the MIDI layer reports its devices on standard error
  NSM_URL               the session manager to take part in (set by it)
</source>
        <translation>
Environment:
  KORVANE_SOUNDFONT     SoundFont of the built-in synthesizer (default: the system&apos;s
                        General MIDI SoundFont in /usr/share/sounds/sf2)
  KORVANE_SYNTH_DRIVER  the synthesizer&apos;s one audio output (pipewire, jack, pulseaudio, alsa, file, none)
  KORVANE_SYNTH_FILE    output file of the &quot;file&quot; output (default: korvane.wav)
  KORVANE_AUDIO_QUANTUM frames per audio buffer asked for (default: 128)
  KORVANE_SYNTH_PPM     the &quot;file&quot; output&apos;s device clock, parts per million fast
  KORVANE_MIDI_LOG      when set, the MIDI layer reports its devices on standard error
  NSM_URL               the session manager to take part in (set by it)
</translation>
    </message>
    <message>
        <source>Follow the tempo and beat of SOURCE: off, jack (JACK transport), midi-clock[=TEXT] (MIDI clock from the first input whose name contains TEXT), link (Ableton Link).</source>
        <translation>Follow the tempo and beat of SOURCE: off, jack (JACK transport), midi-clock[=TEXT] (MIDI clock from the first input whose name contains TEXT), link (Ableton Link).</translation>
    </message>
    <message>
        <source>Send MIDI clock on the open output device.</source>
        <translation>Send MIDI clock on the open output device.</translation>
    </message>
</context>
<context>
    <name>Devices</name>
    <message>
        <source>Korvane 内蔵シンセサイザー</source>
        <translation>Korvane built-in synthesizer</translation>
    </message>
</context>
<context>
    <name>Dialogs</name>
    <message>
        <source>鍵盤ファイル読み込み</source>
        <translation>Load a key scale file</translation>
    </message>
    <message>
        <source>キーボードスケールテキスト(*.kst,*.txt) (*.kst *.txt)</source>
        <translation>Key scale text (*.kst,*.txt) (*.kst *.txt)</translation>
    </message>
    <message>
        <source>音量定義テキスト読み込み</source>
        <translation>Load a volume file</translation>
    </message>
    <message>
        <source>音量定義テキスト(*.vdt *.txt) (*.vdt *.txt);;すべてのファイル (*)</source>
        <translation>Volume text (*.vdt *.txt) (*.vdt *.txt);;All files (*)</translation>
    </message>
    <message>
        <source>アルペジエータパターン読み込み</source>
        <translation>Load an arpeggiator pattern</translation>
    </message>
    <message>
        <source>ゲートアルペジエータパターン(*.gap *.txt) (*.gap *.txt);;すべてのファイル (*)</source>
        <translation>Gate arpeggiator pattern (*.gap *.txt) (*.gap *.txt);;All files (*)</translation>
    </message>
</context>
<context>
    <name>Form1</name>
    <message>
        <source>ch</source>
        <translation>ch</translation>
    </message>
    <message>
        <source>テンポ</source>
        <translation>BPM</translation>
    </message>
    <message>
        <source>Length</source>
        <translation>Length</translation>
    </message>
    <message>
        <source>GateArp</source>
        <translation>GateArp</translation>
    </message>
    <message>
        <source>PadSetting</source>
        <translation>PadSetting</translation>
    </message>
    <message>
        <source>Hold</source>
        <translation>Hold</translation>
    </message>
    <message>
        <source>X軸-音階</source>
        <translation>X: scale</translation>
    </message>
    <message>
        <source>鍵盤生成</source>
        <translation>Make keys</translation>
    </message>
    <message>
        <source>Y軸-音量</source>
        <translation>Y: volume</translation>
    </message>
    <message>
        <source>Vol分解</source>
        <translation>Make vols</translation>
    </message>
    <message>
        <source>バージョン情報</source>
        <translation>About Korvane</translation>
    </message>
    <message>
        <source>GateArpファイルリスト</source>
        <translation>GateArp file list</translation>
    </message>
    <message>
        <source>Korvane v0.06
 Copyright (C) 2026 Korvane developers. All rights reserved.</source>
        <translation>Korvane v0.06
 Copyright (C) 2026 Korvane developers. All rights reserved.</translation>
    </message>
</context>
<context>
    <name>Messages</name>
    <message>
        <source>%s に書き込めません</source>
        <translation>Cannot write %s</translation>
    </message>
    <message>
        <source>&apos;%s&apos; は整数ではありません</source>
        <translation>&apos;%s&apos; is not an integer</translation>
    </message>
    <message>
        <source>ファイル %s は開けません。 %s </source>
        <translation>Cannot open the file %s. %s </translation>
    </message>
    <message>
        <source>通常のファイルではありません</source>
        <translation>It is not a regular file.</translation>
    </message>
    <message>
        <source>ファイルが大きすぎます</source>
        <translation>The file is too large.</translation>
    </message>
    <message>
        <source>行が多すぎます。 %s 行以下にしてください。</source>
        <translation>It has too many lines. Keep it to %s lines or fewer.</translation>
    </message>
    <message>
        <source>リストのインデックスが範囲を超えています (%s)</source>
        <translation>List index out of range (%s)</translation>
    </message>
    <message>
        <source>&apos;%s&apos; は大きすぎます。 %s 以下にしてください。</source>
        <translation>&apos;%s&apos; is too large. Enter %s or less.</translation>
    </message>
</context>
</TS>
