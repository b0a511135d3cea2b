// Gives programs run under node the real process environment (by default they
// see a fixed one of their own), so tests can be pointed at folders.
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  Object.assign(ENV, process.env);
});
