@echo off
rem Drop .edg files on this file to convert them: each becomes a .psd beside it.
rem The window stays open until a key is pressed, so the report can be read.
"%~dp0tomel.exe" psd %*
pause
