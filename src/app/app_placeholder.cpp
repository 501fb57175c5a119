// The app library gains its wiring here.
