// The game page on a phone or tablet, run before the program: the page's own
// touch gestures stay off while the game runs (the page's CSS stops most of
// them; some browsers need the events cancelled as well), the first tap asks
// for full screen in landscape, and while a phone is held upright (the page
// then asks the player to turn it) the game is paused by taking the keyboard
// focus from its canvas, as leaving the page would. A desktop page is unchanged.
(function () {
  var kTouchScreen = '(pointer: coarse) and (hover: none)';
  var kUpright = '(orientation: portrait) and ' + kTouchScreen;

  function cancel(event) {
    if (event.cancelable) event.preventDefault();
  }
  // Moving fingers never scroll or pull to refresh; a pinch (Safari's gesture
  // events), a double tap or a long press never zooms, selects or opens a menu.
  document.addEventListener('touchmove', cancel, { passive: false });
  ['gesturestart', 'gesturechange', 'dblclick', 'selectstart', 'contextmenu'].forEach(function (type) {
    document.addEventListener(type, cancel);
  });

  function fullscreenNow() {
    return document.fullscreenElement || document.webkitFullscreenElement ||
           matchMedia('(display-mode: fullscreen)').matches;
  }

  // Browsers grant full screen only inside the handler of a finished tap.
  // The whole page goes full screen (the turn notice and the page's notices
  // with it); the canvas follows the window's new size.
  function firstTap(event) {
    if (event.pointerType !== 'touch') return;
    window.removeEventListener('pointerup', firstTap, true);
    if (!matchMedia(kTouchScreen).matches || fullscreenNow()) return;
    var root = document.documentElement;
    var request = root.requestFullscreen || root.webkitRequestFullscreen;
    if (!request) return;
    Promise.resolve(request.call(root, { navigationUI: 'hide' })).then(function () {
      if (screen.orientation && screen.orientation.lock) return screen.orientation.lock('landscape');
    }).catch(function () {});
  }
  window.addEventListener('pointerup', firstTap, true);

  // Upright, the canvas gives up the keyboard (the game pauses); turned back,
  // it takes it again if it had it. The page hands the canvas the keyboard
  // when the program starts and on a click: upright, it is given straight back.
  var upright = matchMedia(kUpright);
  var pausedUpright = false;
  var canvas = document.getElementById('canvas');
  function followOrientation() {
    if (!canvas || Module['tarvikExitStatus'] != null) return;
    if (upright.matches) {
      if (document.activeElement !== canvas) return;
      pausedUpright = true;
      canvas.blur();
    } else if (pausedUpright) {
      pausedUpright = false;
      canvas.focus();
    }
  }
  if (upright.addEventListener) upright.addEventListener('change', followOrientation);
  if (canvas) canvas.addEventListener('focus', followOrientation);
})();
