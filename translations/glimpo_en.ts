<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>AllInOneBarView</name>
    <message numerus="yes">
        <source>%n Second(s)</source>
        <translation>
            <numerusform>%n Second</numerusform>
            <numerusform>%n Seconds</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>CaptureCountdown</name>
    <message numerus="yes">
        <source>Recording in %n second(s). Esc cancels.</source>
        <translation>
            <numerusform>Recording in %n second. Esc cancels.</numerusform>
            <numerusform>Recording in %n seconds. Esc cancels.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Capturing in %n second(s). Esc cancels.</source>
        <translation>
            <numerusform>Capturing in %n second. Esc cancels.</numerusform>
            <numerusform>Capturing in %n seconds. Esc cancels.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>MarkupWindow</name>
    <message numerus="yes">
        <source>Hide %n Boxes</source>
        <translation>
            <numerusform>Hide %n Box</numerusform>
            <numerusform>Hide %n Boxes</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ScrollCapturePanel</name>
    <message numerus="yes">
        <source>%Ln pixel(s) tall</source>
        <translation>
            <numerusform>%Ln pixel tall</numerusform>
            <numerusform>%Ln pixels tall</numerusform>
        </translation>
    </message>
</context>
</TS>
