// The replayer's page reads its command line from its address, e.g.
// skarnel-replay.html?timeline=round.txt&fast&frame=300: the timeline is
// fetched from beside the page before the program starts, and the canvas
// keeps the sizes the replay sets instead of filling the browser window.
// A replay that fails says why on the page and offers the game itself
// (skarnel.html beside skarnel-replay.html) rather than the same address.
(function () {
  var kTimelineFile = 'timeline.txt';
  var params = new URLSearchParams(location.search);
  var game = location.pathname.split('/').pop().replace(/-replay(\.html?)$/, '$1');
  Module['tarvikStartAgain'] = { href: game, text: 'Play the game' };
  var args = [];
  if (params.has('fast')) args.push('--fast');
  params.getAll('frame').forEach(function (n) { args.push('--frame', n); });
  if (params.has('frame-folder')) args.push('--frame-folder', params.get('frame-folder'));
  var timeline = params.get('timeline');
  // The timeline is read under its own file name, so the replayer's messages
  // about it name it; a name that could mean something else is not used.
  var timelineName = timeline ? timeline.replace(/[?#].*$/, '').split('/').pop() : '';
  if (!/^\w[\w.-]*\.\w+$/.test(timelineName)) timelineName = kTimelineFile;
  var timelinePath = '/' + timelineName;
  if (timeline) args.push(timelinePath);
  Module['arguments'] = args;
  Module['tarvikFixedCanvasSize'] = true;
  document.body.classList.add('fixed-size');

  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(function () {
    if (!timeline) return;
    addRunDependency('tarvik-timeline');
    fetch(timeline).then(function (response) {
      if (!response.ok) throw new Error('HTTP ' + response.status);
      return response.arrayBuffer();
    }).then(function (buffer) {
      FS.writeFile(timelinePath, new Uint8Array(buffer));
    }).catch(function (e) {
      Module['tarvikFailure'] = 'cannot fetch the timeline ' + timeline + ' (' + e.message + ')';
      console.error('skarnel-replay: ' + Module['tarvikFailure']);
    }).finally(function () {
      removeRunDependency('tarvik-timeline');
    });
  });
})();
