[playlist]
NumberOfEntries=2
File1=http://radio.example:8000/live
Title1=Live
File2=relative/stream.mp3
Version=2
