# Run by the Blender test: blender -b --factory-startup -P blender_roundtrip.py -- IN.glb OUT_DIR STEP
# Imports our .glb at 30 frames a second, writes what Blender made of it to
# OUT_DIR/blender.json (armatures, bones, the bone heads at every keyframe,
# STEP frames apart, in glTF axes), then exports OUT_DIR/blender.glb and
# OUT_DIR/blender.fbx with Blender's own settings.
import json
import os
import sys

import numpy

numpy.bool = bool  # Debian's Blender 3.4 glTF add-on still uses the alias numpy 1.24 dropped

import bpy

source, out_dir, step = sys.argv[sys.argv.index("--") + 1:][:3]
step = int(step)
bpy.ops.wm.read_factory_settings(use_empty=True)
scene = bpy.context.scene
scene.render.fps = 30
bpy.ops.import_scene.gltf(filepath=source)

armatures = [o for o in bpy.data.objects if o.type == "ARMATURE"]
report = {"armatures": len(armatures), "bones": [], "keyframes": []}
if armatures:
    armature = armatures[0]
    report["bones"] = [b.name for b in armature.data.bones]
    action = armature.animation_data.action if armature.animation_data else None
    first, last = (int(round(v)) for v in action.frame_range) if action else (0, 0)
    scene.frame_start, scene.frame_end = first, last
    for frame in range(first, last + 1, step):
        scene.frame_set(frame)
        heads = {}
        for bone in armature.pose.bones:
            h = armature.matrix_world @ bone.head
            heads[bone.name] = [h.x, h.z, -h.y]  # Blender's z-up back to glTF's y-up
        report["keyframes"].append(heads)

with open(os.path.join(out_dir, "blender.json"), "w") as f:
    json.dump(report, f)
bpy.ops.export_scene.gltf(filepath=os.path.join(out_dir, "blender.glb"), export_format="GLB")
bpy.ops.export_scene.fbx(filepath=os.path.join(out_dir, "blender.fbx"))
