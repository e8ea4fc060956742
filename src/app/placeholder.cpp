// The windows and the headless run are added here.
