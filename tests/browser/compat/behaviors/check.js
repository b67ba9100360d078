// The test pages' verdict: what the component did compared with what IE's behaviors did. The
// title becomes "ok", or the list of what differed.
var failures = [];
function expect(what, got, want) {
  if (got !== want) failures.push(what + ": " + JSON.stringify(got) + " instead of " + JSON.stringify(want));
}
function done() {
  document.title = failures.length ? failures.join("; ") : "ok";
  // The verdict on the page too, for whoever looks at it.
  var verdict = document.createElement("p");
  verdict.appendChild(document.createTextNode(document.title));
  document.body.appendChild(verdict);
}
// Calls fn once the components are bound (they load after the page).
function whenBound(test, fn) {
  var tries = 0;
  (function wait() {
    if (test() || ++tries > 200) fn();
    else setTimeout(wait, 10);
  })();
}
