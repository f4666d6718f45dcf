// The 3-D view: a mesh's faces shaded in the colours mesh.js gave them,
// with their edges, turned, zoomed and moved with the mouse. Says so where
// the browser cannot draw (no WebGL).
import * as THREE from 'three';
import { OrbitControls } from './three/OrbitControls.js';

export function createView(canvas, note) {
  let renderer;
  try {
    renderer = new THREE.WebGLRenderer({ canvas, antialias: true, preserveDrawingBuffer: true });
  } catch {
    note.textContent = 'This browser cannot draw the 3-D view (it has no WebGL); the copy, its counts and its download work all the same.';
    return { show() {}, clear() {} };
  }
  renderer.setPixelRatio(window.devicePixelRatio);
  const scene = new THREE.Scene();
  scene.background = new THREE.Color(0xf4f4f4);
  const camera = new THREE.PerspectiveCamera(40, 1, 0.01, 1000);
  const light = new THREE.DirectionalLight(0xffffff, 2.2);
  light.position.set(0.5, 1, 2);
  camera.add(light);
  scene.add(camera, new THREE.AmbientLight(0xffffff, 0.9));
  const controls = new OrbitControls(camera, canvas);
  controls.addEventListener('change', draw);
  let shown = null;

  function draw() {
    const { clientWidth: w, clientHeight: h } = canvas;
    if (canvas.width !== Math.floor(w * renderer.getPixelRatio()) || canvas.height !== Math.floor(h * renderer.getPixelRatio())) {
      renderer.setSize(w, h, false);
      camera.aspect = w / h;
      camera.updateProjectionMatrix();
    }
    renderer.render(scene, camera);
  }
  new ResizeObserver(draw).observe(canvas);

  function clear() {
    if (!shown) return;
    scene.remove(shown);
    shown.traverse((o) => o.geometry && (o.geometry.dispose(), o.material.dispose()));
    shown = null;
    delete canvas.dataset.shown;
    note.textContent = '';
    draw();
  }

  // Shows what drawable() made; keeps the camera when `keep` is set.
  function show(d, which, keep) {
    clear();
    const faces = new THREE.BufferGeometry();
    faces.setAttribute('position', new THREE.BufferAttribute(d.places, 3));
    faces.setAttribute('color', new THREE.BufferAttribute(d.colours, 3, true));
    faces.computeVertexNormals();
    const edges = new THREE.BufferGeometry();
    edges.setAttribute('position', new THREE.BufferAttribute(d.lines, 3));
    shown = new THREE.Group();
    shown.add(
      new THREE.Mesh(faces, new THREE.MeshLambertMaterial({ vertexColors: true, side: THREE.DoubleSide,
        polygonOffset: true, polygonOffsetFactor: 1, polygonOffsetUnits: 1 })),
      new THREE.LineSegments(edges, new THREE.LineBasicMaterial({ color: 0x222222, transparent: true, opacity: 0.55 })));
    scene.add(shown);
    faces.computeBoundingSphere();
    const { center, radius } = faces.boundingSphere;
    if (!keep && radius > 0) {
      camera.near = radius / 100;
      camera.far = radius * 100;
      camera.position.copy(center).add(new THREE.Vector3(0.6, 0.5, 1).normalize().multiplyScalar(radius * 3));
      camera.updateProjectionMatrix();
      controls.target.copy(center);
      controls.update();
    }
    note.textContent = d.stride > 1
      ? `${d.edges.toLocaleString('en')} edges are too many to draw: the view shows one face in ${d.stride}.`
      : '';
    draw();
    canvas.dataset.shown = which;
  }

  return { show, clear };
}
