@echo off
del /q "%TEMP%\*.tmp"
