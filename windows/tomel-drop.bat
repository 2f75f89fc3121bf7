@echo off
rem Drop .edg files on this file to convert them: each becomes a .psd beside it.
rem Each file is converted on its own, so one that cannot be converted does not
rem stop the others. Its name comes first, then tomel's line about it, and at
rem the end a summary. The window stays open until a key is pressed.
setlocal EnableExtensions DisableDelayedExpansion
set "tomel=%~dp0tomel.exe"
set /a converted=0
set /a failed=0
set "failedNames="

:next
if "%~1"=="" goto summary
rem Names are kept in variables and used expanded late, so that & ^ ! and %
rem in them stay what they are.
set "file=%~1"
set "name=%~nx1"
shift
echo.
setlocal EnableDelayedExpansion
echo !name!
"!tomel!" psd "!file!"
if errorlevel 1 goto failedOne
endlocal
set /a converted+=1
goto next

:failedOne
endlocal
set /a failed+=1
set "separator=, "
if not defined failedNames set "separator="
set "failedNames=%failedNames%%separator%%name%"
goto next

:summary
echo.
setlocal EnableDelayedExpansion
if !failed! equ 0 echo !converted! converted, 0 failed
if !failed! gtr 0 echo !converted! converted, !failed! failed: !failedNames!
endlocal
pause
