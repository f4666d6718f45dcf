// The 3-D view: a mesh's faces shaded in the colours mesh.js gave them,
// with their edges, which fade out as they crowd so that the faces' colours
// always show. Turned, zoomed and moved with the mouse, or with the keys
// once the view has the focus; a light that keeps its place beside the
// camera. Says so where the browser cannot draw (no WebGL).
import * as THREE from 'three';
import { OrbitControls } from './three/OrbitControls.js';

// Edges this many device pixels long or shorter are not drawn; from FULL
// up they are drawn whole, and in between they fade.
const GONE = 3, FULL = 8, OPACITY = 0.6;
// The part of the view that a fitted mesh's sphere takes, across its
// narrower side.
const FILL = 0.92;

export function createView(canvas, note) {
  let renderer;
  try {
    renderer = new THREE.WebGLRenderer({ canvas, antialias: true, preserveDrawingBuffer: true });
  } catch {
    note.textContent = 'This browser cannot draw the 3-D view (it has no WebGL); the copy, its counts and its download work all the same.';
    return { show() {}, clear() {}, reset() {} };
  }
  renderer.setPixelRatio(window.devicePixelRatio);
  // The colours as given, lit, with no conversion between colour spaces:
  // the legend's colours are the faces' where the light falls straight.
  THREE.ColorManagement.enabled = false;
  renderer.outputColorSpace = THREE.LinearSRGBColorSpace;
  const scene = new THREE.Scene();
  const camera = new THREE.PerspectiveCamera(40, 1, 0.01, 100);
  // Above, right of and behind the camera, aimed along its view, both
  // children of the camera: the light turns with it.
  const light = new THREE.DirectionalLight(0xffffff, 3.2);
  light.position.set(0.3, 0.5, 2);
  camera.add(light, light.target);
  scene.add(camera, new THREE.AmbientLight(0xffffff, 0.8));
  const controls = new OrbitControls(camera, canvas);
  controls.addEventListener('change', draw);
  let shown = null, edges = null, edge = 0;

  // The background follows the page's colours (light or dark).
  function background() {
    scene.background = new THREE.Color(getComputedStyle(canvas).getPropertyValue('--view-background').trim() || '#f4f4f4');
  }

  function draw() {
    const { clientWidth: w, clientHeight: h } = canvas;
    if (canvas.width !== Math.floor(w * renderer.getPixelRatio()) || canvas.height !== Math.floor(h * renderer.getPixelRatio())) {
      renderer.setSize(w, h, false);
      camera.aspect = w / h;
      camera.updateProjectionMatrix();
    }
    if (edges) {
      // An edge's length on the screen, in device pixels, at the target's distance.
      const across = camera.position.distanceTo(controls.target) * 2 * Math.tan(THREE.MathUtils.degToRad(camera.fov / 2));
      const pixels = edge * canvas.height / across;
      const share = Math.min(1, Math.max(0, (pixels - GONE) / (FULL - GONE)));
      edges.visible = share > 0;
      edges.material.opacity = OPACITY * share;
    }
    renderer.render(scene, camera);
  }
  new ResizeObserver(draw).observe(canvas);
  background();
  matchMedia('(prefers-color-scheme: dark)').addEventListener('change', () => (background(), draw()));

  // The camera where the whole of the unit sphere around the mesh is in
  // view, however narrow the view: the narrower of its two fields decides.
  function fit() {
    const { clientWidth: w, clientHeight: h } = canvas;
    camera.aspect = w / h || 1;
    const half = Math.atan(Math.tan(THREE.MathUtils.degToRad(camera.fov / 2)) * Math.min(1, camera.aspect));
    const distance = 1 / Math.sin(half * FILL);
    camera.near = distance / 100;
    camera.far = distance * 100;
    camera.position.set(0.6, 0.5, 1).normalize().multiplyScalar(distance);
    camera.updateProjectionMatrix();
    controls.target.set(0, 0, 0);
    controls.update();
  }

  function clear() {
    note.textContent = '';
    if (!shown) return;
    scene.remove(shown);
    shown.traverse((o) => o.geometry && (o.geometry.dispose(), o.material.dispose()));
    shown = edges = null;
    delete canvas.dataset.shown;
    delete canvas.dataset.copy;
    draw();
  }

  // Shows what drawable() made, for the copy numbered `copy`; keeps the
  // camera when `keep` is set.
  function show(d, which, keep, copy) {
    clear();
    const faces = new THREE.BufferGeometry();
    faces.setAttribute('position', new THREE.BufferAttribute(d.places, 3));
    faces.setAttribute('color', new THREE.BufferAttribute(d.colours, 3, true));
    shown = new THREE.Group();
    shown.add(new THREE.Mesh(faces, new THREE.MeshLambertMaterial({ vertexColors: true, flatShading: true,
      side: THREE.DoubleSide, polygonOffset: true, polygonOffsetFactor: 1, polygonOffsetUnits: 1 })));
    if (d.lines.length) {
      const lines = new THREE.BufferGeometry();
      lines.setAttribute('position', new THREE.BufferAttribute(d.lines, 3));
      edges = new THREE.LineSegments(lines, new THREE.LineBasicMaterial({ color: 0x222222, transparent: true }));
      shown.add(edges);
    }
    edge = d.edge;
    scene.add(shown);
    if (!keep) fit();
    const parts = [];
    if (d.stride > 1) parts.push(`it draws one face in ${d.stride}`);
    if (!d.withEdges) parts.push('no edges');
    note.textContent = parts.length ? `${d.faces.toLocaleString('en')} faces are too many to draw whole: the view shows ${parts.join(', and ')}.` : '';
    draw();
    canvas.dataset.shown = which;
    canvas.dataset.copy = copy;
  }

  // The keys, once the view has the focus: arrows turn, with Shift move,
  // + and - zoom, 0 puts the camera back.
  const turn = Math.PI / 24, pan = 24, zoom = 1.15;
  canvas.addEventListener('keydown', (e) => {
    const moves = {
      ArrowLeft: () => (e.shiftKey ? controls.pan(pan, 0) : controls.rotateLeft(turn)),
      ArrowRight: () => (e.shiftKey ? controls.pan(-pan, 0) : controls.rotateLeft(-turn)),
      ArrowUp: () => (e.shiftKey ? controls.pan(0, pan) : controls.rotateUp(turn)),
      ArrowDown: () => (e.shiftKey ? controls.pan(0, -pan) : controls.rotateUp(-turn)),
      '+': () => controls.dollyIn(zoom), '=': () => controls.dollyIn(zoom), '-': () => controls.dollyOut(zoom),
      0: fit, Home: fit,
    };
    if (!moves[e.key] || e.altKey || e.ctrlKey || e.metaKey) return;
    e.preventDefault();
    moves[e.key]();
    draw();
  });

  return { show, clear, reset: () => (fit(), draw()) };
}
